#include "app/MainForm.h"

#include <exception>
#include <filesystem>

#include "app/DispForm.h"
#include "app/FailureText.h"
#include "app/HourGlass.h"
#include "app/Piece.h"
#include "app/WindowFont.h"
#include "graphics/Bitmap.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"
#include "ui/Clipboard.h"

TmainForm* mainForm = nullptr;

namespace {
constexpr const char* kAuthorship = " kiritori 開発チーム";
}  // namespace

TmainForm::TmainForm(TComponent* owner) : TForm(owner) {
  BuildFromDefinition();
  OpenDialog->SetFilter(std::string(strings::PictureFilter) + strings::AllFilesFilter);
  SB->SetSimplePanel(true);
  SetKeyPreview(true);
  OnDragFiles = [](TObject*, const std::vector<std::string>& files, bool& accept) {
    accept = !FirstPictureFile(files).empty();
  };
  OnDropFiles = [this](TObject*, const std::vector<std::string>& files) {
    const std::string file = FirstPictureFile(files);
    if (!file.empty()) OpenPicture(file);
  };
}

std::string TmainForm::FirstPictureFile(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    std::error_code error;
    if (Cimg::Opens(file) && std::filesystem::is_regular_file(file, error)) return file;
  }
  return {};
}

TmainForm::~TmainForm() {
  currentImage.reset();
  if (mainForm == this) mainForm = nullptr;
}

void TmainForm::BuildFromDefinition() {
  BeginLoading();
  SetName("mainForm");
  SetPosition(poDefaultPosOnly);
  SetBounds(258, 106, 370, 318);
  SetCaption(std::string(strings::MainCaptionStart) + kAuthorship + strings::MainCaptionEnd);
  SetColor(clBtnFace);
  SetFont(app::WindowFont());
  SetKeyPreview(true);
  OnKeyDown = [this](TObject* sender, TVirtualKey& key, TShiftState shift) { FormKeyDown(sender, key, shift); };

  ScrollBox = runtime::CreateComponent<TScrollBox>(*this);
  ScrollBox->SetName("ScrollBox");
  ScrollBox->SetParent(this);
  ScrollBox->SetBounds(0, 0, 362, 245);
  ScrollBox->SetAlign(alClient);
  ScrollBox->SetBorderStyle(bsNone);
  ScrollBox->SetColor(clMedGray);
  ScrollBox->SetParentColor(false);

  Image = runtime::CreateComponent<TImage>(*this);
  // Made while the definition loads: AutoSize waits for a picture.
  Image->BeginLoading();
  Image->SetName("Image");
  Image->SetParent(ScrollBox);
  Image->SetBounds(0, 0, 33, 25);
  Image->SetAutoSize(true);
  Image->SetStretch(true);
  Image->OnMouseDown = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    ImageMouseDown(sender, button, shift, x, y);
  };
  Image->OnMouseMove = [this](TObject* sender, TShiftState shift, int x, int y) {
    ImageMouseMove(sender, shift, x, y);
  };
  Image->OnMouseUp = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    ImageMouseUp(sender, button, shift, x, y);
  };

  Image2 = runtime::CreateComponent<TImage>(*this);
  Image2->SetName("Image2");
  Image2->SetParent(ScrollBox);
  Image2->SetBounds(0, 32, 33, 25);
  Image2->SetVisible(false);

  SB = runtime::CreateComponent<TStatusBar>(*this);
  SB->SetName("SB");
  SB->SetParent(this);
  SB->SetBounds(0, 245, 362, 19);
  SB->SetSimplePanel(true);

  MainMenu = runtime::CreateComponent<TMainMenu>(*this);
  MainMenu->SetName("MainMenu");
  FileMenu = MainMenu->Items()->AddNew(*this, "FileMenu", strings::FileMenuCaption);
  FileMenuOpen = FileMenu->AddNew(*this, "FileMenuOpen", strings::OpenMenuCaption,
                                 [this](TObject* sender) { FileMenuOpenClick(sender); });
  FileMenuClose = FileMenu->AddNew(*this, "FileMenuClose", strings::CloseMenuCaption,
                                 [this](TObject* sender) { FileMenuCloseClick(sender); });
  toolMenu = MainMenu->Items()->AddNew(*this, "toolMenu", strings::ToolMenuCaption);
  toolMenuCut = toolMenu->AddNew(*this, "toolMenuCut", strings::CutMenuCaption,
                                 [this](TObject* sender) { toolMenuCutClick(sender); });
  toolMenuClipbd = toolMenu->AddNew(*this, "toolMenuClipbd", strings::ClipboardMenuCaption,
                                 [this](TObject* sender) { toolMenuClipbdClick(sender); });
  SetMenu(MainMenu);

  OpenDialog = runtime::CreateComponent<TOpenPictureDialog>(*this);
  OpenDialog->SetName("OpenDialog");

  // The definition's outer size belongs to the original desktop's frame; the
  // client area below the menu bar is what the window must offer.
  SetClientWidth(362);
  SetClientHeight(264);
  EndLoading();
}

void TmainForm::FitToPicture(Cimg* holder) {
  // The view shows the picture on device pixels; the window measures in
  // logical ones, of which the status bar takes its own height.
  const framework::PixelMapping pixels = Image->Pixels();
  SetClientWidth(pixels.LogicalLength(holder->Width()));
  SetClientHeight(pixels.LogicalLength(holder->Height()) + SB->Height());
}

bool TmainForm::HasPicture() const {
  return currentImage != nullptr && currentImage->bitmap != nullptr && !currentImage->bitmap->IsEmpty();
}

void TmainForm::FileMenuOpenClick(TObject*) {
  // A cancelled dialog puts the default cursor back too.
  app::HourGlass cursor;
  if (OpenDialog->Run()) OpenPicture(OpenDialog->FileName());
}

void TmainForm::OpenPicture(const std::string& fileName) {
  app::HourGlass cursor;
  bool shown = false;
  try {
    cursor.Show();
    // The new holder takes the old one's place only once its picture is in
    // the view: until then Cut and To clipboard keep using the picture shown.
    auto holder = std::make_unique<Cimg>();
    if (!holder->Load(fileName)) {
      ShowOpenFailure(fileName, holder->FailureRaised());
      return;
    }
    Image->Picture().AsBitmap().CopyFrom(holder->bitmap.get());
    currentImage = std::move(holder);
    // The new picture carries no outline, whatever the steps below do.
    shown = true;
    outlineShown = false;
    TOpenPictureDialog::NotePictureFile(fileName);
    FitToPicture(currentImage.get());
    SB->SetSimpleText(ExtractFileName(fileName));
    currentImage->Make24Bit();
  } catch (...) {
    // Before its picture reached the view the Open failed, and says so; the
    // old picture stays with its outline, which the next drag or nudge erases.
    if (!shown) ShowOpenFailure(fileName, std::current_exception());
  }
}

void TmainForm::ShowOpenFailure(const std::string& fileName, const std::exception_ptr& failure) noexcept {
  try {
    SB->SetSimpleText(app::OpenFailedText(fileName, app::ReasonText(failure)));
  } catch (...) {
    // No room even for the text: the status bar keeps what it showed.
  }
}

void TmainForm::FileMenuCloseClick(TObject*) { Close(); }

void TmainForm::toolMenuCutClick(TObject*) {
  // Nothing to cut before the first picture.
  if (!HasPicture() || dispForm == nullptr) return;
  dispForm->Hide();
  dispForm->ShowPiece(currentImage.get(), selection);
  dispForm->Show();
}

void TmainForm::toolMenuClipbdClick(TObject*) {
  if (!HasPicture()) return;
  try {
    if (selection.Right == selection.Left && selection.Bottom == selection.Top) {
      TBitmap& shown = Image->Picture().AsBitmap();
      selection = Rect(0, 0, shown.Width(), shown.Height());
      // The outline of a point covers no pixel. Were the flag kept, the next
      // erase would draw the whole picture's outline and leave it behind.
      outlineShown = false;
    }
    const TRect ordered = app::OrderedRect(selection);
    if (!app::FitsPiece(ordered)) return;
    TBitmap& scratch = Image2->Picture().AsBitmap();
    scratch.SetWidth(static_cast<std::int32_t>(ordered.Width()));
    scratch.SetHeight(static_cast<std::int32_t>(ordered.Height()));
    app::CopyPiece(Image2->Canvas(), *currentImage->bitmap, ordered);
    SharedClipboard()->CopyFrom(&Image2->Picture());
  } catch (...) {
    // Nothing is reported; the clipboard object has closed the clipboard.
  }
}

void TmainForm::PrepareOutlinePen() {
  TPen& pen = Image->Canvas().Pen();
  pen.SetColor(clWhite);
  pen.SetMode(pmXor);
}

void TmainForm::DrawOutline(TImage* view, const TRect& rect) {
  TCanvas& canvas = view->Canvas();
  canvas.MovePenTo(rect.Left, rect.Top);
  canvas.DrawLineTo(rect.Right, rect.Top);
  canvas.DrawLineTo(rect.Right, rect.Bottom);
  canvas.DrawLineTo(rect.Left, rect.Bottom);
  canvas.DrawLineTo(rect.Left, rect.Top);
  SB->SetSimpleText(Format(strings::SelectionStatus, rect.Left, rect.Top, rect.Right, rect.Bottom,
                           rect.Width(), rect.Height()));
}

void TmainForm::FormKeyDown(TObject*, TVirtualKey& Key, TShiftState Shift) {
  if (currentImage == nullptr) return;
  PrepareOutlinePen();
  if (outlineShown) DrawOutline(Image, selection);
  const bool shift = Shift.Contains(ssShift);
  const bool ctrl = Shift.Contains(ssCtrl);
  // Without modifier both edges move; Shift moves the Left or Top edge, Ctrl
  // the Right or Bottom edge; both together move nothing.
  const bool first = !ctrl;
  const bool second = !shift;
  int dx = 0;
  int dy = 0;
  switch (Key) {
    case VK_LEFT: dx = -1; break;
    case VK_UP: dy = -1; break;
    case VK_RIGHT: dx = 1; break;
    case VK_DOWN: dy = 1; break;
    default: break;
  }
  if (first) {
    selection.Left += dx;
    selection.Top += dy;
  }
  if (second) {
    selection.Right += dx;
    selection.Bottom += dy;
  }
  DrawOutline(Image, selection);
  outlineShown = true;
}

void TmainForm::ImageMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  if (currentImage == nullptr) return;
  if (outlineShown) DrawOutline(Image, selection);
  dragging = true;
  outlineShown = false;
  selection.Top = Y;
  selection.Left = X;
}

void TmainForm::ImageMouseMove(TObject*, TShiftState, int X, int Y) {
  if (currentImage == nullptr || !dragging) return;
  PrepareOutlinePen();
  if (outlineShown) DrawOutline(Image, selection);
  selection.Bottom = Y;
  selection.Right = X;
  DrawOutline(Image, selection);
  outlineShown = true;
}

void TmainForm::ImageMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  if (currentImage != nullptr) dragging = false;
}
