#include "app/MainForm.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

#include "app/DispForm.h"
#include "app/FailureText.h"
#include "app/HourGlass.h"
#include "app/Piece.h"
#include "app/WindowFont.h"
#include "framework/PixelMapping.h"
#include "graphics/Bitmap.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"
#include "ui/Clipboard.h"

TmainForm* mainForm = nullptr;

namespace {
constexpr const char* kAuthorship = " kiritori 開発チーム";
// How long the loupe stays after a nudge.
constexpr unsigned kLoupeAfterNudgeMs = 1000;

// The picture pixel under a device position of the view; positions of a drag
// far outside the view keep their sign.
int PictureAt(TZoom zoom, int device) {
  return framework::SaturatedInt(zoom.ToPicture(device));
}

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
  Image->OnMouseWheel = [this](TObject* sender, TShiftState shift, int delta, int x, int y, bool& handled) {
    ImageMouseWheel(sender, shift, delta, x, y, handled);
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
  viewMenu = MainMenu->Items()->AddNew(*this, "viewMenu", strings::ViewMenuCaption);
  viewMenuActual = viewMenu->AddNew(*this, "viewMenuActual", strings::ActualSizeMenuCaption,
                                    [this](TObject* sender) { viewMenuActualClick(sender); });
  viewMenuActual->SetShortCuts({"Ctrl+0"});
  viewMenuFit = viewMenu->AddNew(*this, "viewMenuFit", strings::FitMenuCaption,
                                 [this](TObject* sender) { viewMenuFitClick(sender); });
  viewMenuFit->SetShortCuts({"Ctrl+9"});
  viewMenuZoomIn = viewMenu->AddNew(*this, "viewMenuZoomIn", strings::ZoomInMenuCaption,
                                    [this](TObject* sender) { viewMenuZoomInClick(sender); });
  viewMenuZoomIn->SetShortCuts({"Ctrl++", "Ctrl+="});
  viewMenuZoomOut = viewMenu->AddNew(*this, "viewMenuZoomOut", strings::ZoomOutMenuCaption,
                                     [this](TObject* sender) { viewMenuZoomOutClick(sender); });
  viewMenuZoomOut->SetShortCuts({"Ctrl+-"});
  viewMenuLoupe = viewMenu->AddNew(*this, "viewMenuLoupe", strings::LoupeMenuCaption,
                                   [this](TObject* sender) { viewMenuLoupeClick(sender); });
  viewMenuLoupe->SetAutoCheck(true);
  SetMenu(MainMenu);
  OnResize = [this](TObject*) {
    if (fitWhole) ShowZoomAboutCentre(WholePictureZoom());
  };

  OpenDialog = runtime::CreateComponent<TOpenPictureDialog>(*this);
  OpenDialog->SetName("OpenDialog");

  loupeTimer = runtime::CreateComponent<TTimer>(*this);
  loupeTimer->SetName("loupeTimer");
  loupeTimer->SetEnabled(false);
  loupeTimer->SetInterval(kLoupeAfterNudgeMs);
  loupeTimer->OnTimer = [this](TObject*) { HideLoupe(); };

  // The definition's outer size belongs to the original desktop's frame; the
  // client area below the menu bar is what the window must offer.
  SetClientWidth(362);
  SetClientHeight(264);
  EndLoading();
}

void TmainForm::FitToPicture(Cimg* holder) {
  // The view shows the picture on device pixels; the window measures in
  // logical ones, of which the status bar takes its own height. The window
  // is clamped to the work area.
  const framework::PixelMapping pixels = Image->Pixels();
  // The whole-picture zoom follows the finished window once, not each step
  // of its resizing.
  const bool whole = std::exchange(fitWhole, false);
  const TZoom shown = whole ? TZoom() : Image->Zoom();
  try {
    SetClientWidth(pixels.LogicalLength(static_cast<int>(shown.Extent(holder->Width()))));
    SetClientHeight(pixels.LogicalLength(static_cast<int>(shown.Extent(holder->Height()))) + SB->Height());
  } catch (...) {
    fitWhole = whole;
    throw;
  }
  fitWhole = whole;
  if (whole) ShowZoomAboutCentre(WholePictureZoom());
}

TZoom TmainForm::WholePictureZoom() const {
  const int scale = Image->Pixels().Scale();
  return TZoom::Fit(Image->Picture().Width(), Image->Picture().Height(), std::int64_t{ScrollBox->Width()} * scale,
                    std::int64_t{ScrollBox->Height()} * scale);
}

void TmainForm::ShowZoomAboutCentre(TZoom factor) {
  const int scale = Image->Pixels().Scale();
  ShowZoom(factor, (ScrollBox->HorzScrollPosition() + ScrollBox->ClientWidth() / 2) * scale,
           (ScrollBox->VertScrollPosition() + ScrollBox->ClientHeight() / 2) * scale);
}

void TmainForm::ShowZoom(TZoom factor, int anchorX, int anchorY) {
  const TZoom old = Image->Zoom();
  const int scale = Image->Pixels().Scale();
  // Where the anchor shows inside the scroll box, in device pixels.
  const std::int64_t onScreenX = anchorX - std::int64_t{ScrollBox->HorzScrollPosition()} * scale;
  const std::int64_t onScreenY = anchorY - std::int64_t{ScrollBox->VertScrollPosition()} * scale;
  if (factor != old) {
    // At 1:1 the outline lives in the bitmap, at any other zoom over it.
    const bool outline = outlineShown && currentImage != nullptr;
    if (outline && old.IsActual()) {
      PrepareOutlinePen();
      DrawOutline(Image, selection);
    }
    Image->SetFrame(std::nullopt);
    Image->SetZoom(factor);
    if (outline) {
      PrepareOutlinePen();
      DrawOutline(Image, selection);
    }
  }
  SB->SetRightText(factor.IsActual() ? std::string()
                                      : Format(strings::ZoomStatus, static_cast<int>(factor.Percent())));
  // The picture point under the anchor, old.Q / old.P of a device pixel each,
  // comes to lie under the same place on screen.
  const std::int64_t atX = TZoom::FloorDiv(anchorX * old.Q() * factor.P(), old.P() * factor.Q());
  const std::int64_t atY = TZoom::FloorDiv(anchorY * old.Q() * factor.P(), old.P() * factor.Q());
  const auto logical = [scale](std::int64_t device) {
    return static_cast<int>(std::clamp<std::int64_t>(TZoom::FloorDiv(device, scale), 0, TZoom::kMaxExtent));
  };
  ScrollBox->SetScrollPosition(logical(atX - onScreenX), logical(atY - onScreenY));
}

void TmainForm::viewMenuActualClick(TObject*) {
  fitWhole = false;
  ShowZoomAboutCentre(TZoom());
}

void TmainForm::viewMenuFitClick(TObject*) {
  fitWhole = true;
  ShowZoomAboutCentre(WholePictureZoom());
}

void TmainForm::viewMenuZoomInClick(TObject*) {
  fitWhole = false;
  ShowZoomAboutCentre(Image->Zoom().Larger(Image->Picture().Width(), Image->Picture().Height()));
}

void TmainForm::viewMenuZoomOutClick(TObject*) {
  fitWhole = false;
  ShowZoomAboutCentre(Image->Zoom().Smaller());
}

void TmainForm::ImageMouseWheel(TObject*, TShiftState Shift, int WheelDelta, int X, int Y, bool& Handled) {
  if (!Shift.Contains(ssCtrl) || WheelDelta == 0) return;
  Handled = true;
  fitWhole = false;
  const TZoom zoom = Image->Zoom();
  ShowZoom(WheelDelta > 0 ? zoom.Larger(Image->Picture().Width(), Image->Picture().Height()) : zoom.Smaller(), X, Y);
}

void TmainForm::viewMenuLoupeClick(TObject*) {
  if (!viewMenuLoupe->Checked()) HideLoupe();
}

void TmainForm::ShowLoupe(bool leftTop) {
  if (!viewMenuLoupe->Checked() || !HasPicture()) return;
  if (loupe == nullptr) loupe = runtime::CreateComponent<TLoupe>(*this);
  const TPoint corner = leftTop ? selection.TopLeft() : selection.BottomRight();
  loupe->ShowAround(*Image, *currentImage->bitmap, corner, selection);
}

void TmainForm::HideLoupe() {
  loupeTimer->SetEnabled(false);
  if (loupe != nullptr) loupe->Hide();
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
    Image->SetFrame(std::nullopt);
    Image->Picture().AsBitmap().CopyFrom(holder->bitmap.get());
    currentImage = std::move(holder);
    // The new picture carries no outline, whatever the steps below do.
    shown = true;
    outlineShown = false;
    HideLoupe();
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
  if (view->Zoom().IsActual()) {
    TCanvas& canvas = view->Canvas();
    canvas.MovePenTo(rect.Left, rect.Top);
    canvas.DrawLineTo(rect.Right, rect.Top);
    canvas.DrawLineTo(rect.Right, rect.Bottom);
    canvas.DrawLineTo(rect.Left, rect.Bottom);
    canvas.DrawLineTo(rect.Left, rect.Top);
  } else {
    // Drawn again, the same frame goes away.
    view->SetFrame(view->Frame() == rect ? std::nullopt : std::optional<TRect>(rect));
  }
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
  // Only a nudge that moves an edge brings the loupe, for a second from the
  // last one.
  if ((dx != 0 || dy != 0) && (first || second) && viewMenuLoupe->Checked()) {
    ShowLoupe(!second);
    // During a drag the release hides it.
    loupeTimer->SetEnabled(false);
    loupeTimer->SetEnabled(!dragging);
  }
}

void TmainForm::ImageMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  if (currentImage == nullptr) return;
  if (outlineShown) DrawOutline(Image, selection);
  dragging = true;
  outlineShown = false;
  HideLoupe();
  selection.Top = PictureAt(Image->Zoom(), Y);
  selection.Left = PictureAt(Image->Zoom(), X);
}

void TmainForm::ImageMouseMove(TObject*, TShiftState, int X, int Y) {
  if (currentImage == nullptr || !dragging) return;
  PrepareOutlinePen();
  if (outlineShown) DrawOutline(Image, selection);
  selection.Bottom = PictureAt(Image->Zoom(), Y);
  selection.Right = PictureAt(Image->Zoom(), X);
  DrawOutline(Image, selection);
  outlineShown = true;
  ShowLoupe(false);
}

void TmainForm::ImageMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  if (currentImage == nullptr) return;
  dragging = false;
  HideLoupe();
}
