#include "app/DispForm.h"

#include "app/FailureText.h"
#include "app/HourGlass.h"
#include "app/Piece.h"
#include "app/WindowFont.h"
#include "framework/Application.h"
#include "graphics/Bitmap.h"
#include "runtime/Strings.h"

TdispForm* dispForm = nullptr;

TdispForm::TdispForm(TComponent* owner) : TForm(owner) {
  BuildFromDefinition();
  SaveDialog->SetDefaultExt(strings::DefaultSaveExtension);
  SaveDialog->SetFilter(std::string(strings::PictureFilter) + strings::AllFilesFilter);
}

TdispForm::~TdispForm() {
  if (pieceView != nullptr) runtime::DestroyComponent(pieceView);
  if (dispForm == this) dispForm = nullptr;
}

void TdispForm::BuildFromDefinition() {
  BeginLoading();
  SetName("dispForm");
  SetPosition(poDefault);
  SetBounds(636, 107, 164, 112);
  SetCaption(strings::DispCaption);
  SetColor(clBtnFace);
  SetFont(app::WindowFont());

  ScrollBox = runtime::CreateComponent<TScrollBox>(*this);
  ScrollBox->SetName("ScrollBox");
  ScrollBox->SetParent(this);
  ScrollBox->SetBounds(0, 0, 156, 58);
  ScrollBox->SetAlign(alClient);
  ScrollBox->SetBevelInner(bvLowered);
  ScrollBox->SetBevelOuter(bvNone);
  ScrollBox->SetBorderStyle(bsNone);

  MainMenu = runtime::CreateComponent<TMainMenu>(*this);
  MainMenu->SetName("MainMenu");
  FileMenu = MainMenu->Items()->AddNew(*this, "FileMenu", strings::FileMenuCaption);
  FileMenuSave = FileMenu->AddNew(*this, "FileMenuSave", strings::SaveMenuCaption,
                                 [this](TObject* sender) { FileMenuSaveClick(sender); });
  FileMenuClose = FileMenu->AddNew(*this, "FileMenuClose", strings::CloseMenuCaption,
                                 [this](TObject* sender) { FileMenuCloseClick(sender); });
  SetMenu(MainMenu);

  SaveDialog = runtime::CreateComponent<TSavePictureDialog>(*this);
  SaveDialog->SetName("SaveDialog");

  // As in the main window: the client area is what the definition pins down.
  SetClientWidth(156);
  SetClientHeight(58);
  EndLoading();
}

void TdispForm::ShowPiece(Cimg* holder, const TRect& rect) {
  if (holder == nullptr || holder->bitmap == nullptr || holder->bitmap->IsEmpty()) return;
  app::HourGlass cursor;
  cursor.Show();
  try {
    if (pieceView != nullptr) {
      runtime::DestroyComponent(pieceView);
      pieceView = nullptr;
    }
    pieceView = runtime::CreateComponent<TImage>(*this);
    const TRect ordered = app::OrderedRect(rect);
    if (!app::FitsPiece(ordered)) return;
    pieceView->SetBounds(0, 0, static_cast<int>(ordered.Width()), static_cast<int>(ordered.Height()));
    // The piece shows on device pixels, the window measures logical ones.
    const framework::PixelMapping pixels = pieceView->Pixels();
    SetClientWidth(pixels.LogicalLength(pieceView->Width()));
    SetClientHeight(pixels.LogicalLength(pieceView->Height()));
    pieceView->SetParent(ScrollBox);
    app::CopyPiece(pieceView->Canvas(), *holder->bitmap, ordered);
  } catch (...) {
    // Cut reports nothing.
  }
}

void TdispForm::FileMenuSaveClick(TObject*) {
  app::HourGlass cursor;
  if (!SaveDialog->Run()) return;
  try {
    cursor.Show();
    const std::string complaint = SavePiece(SaveDialog->FileName());
    if (complaint.empty() || Application == nullptr) return;
    cursor.Hide();
    Application->MessageBox(complaint, Caption(), framework::MB_OK | framework::MB_ICONERROR);
  } catch (...) {
    // Not even the complaint could be made.
  }
}

std::string TdispForm::SavePiece(const std::string& fileName) {
  if (pieceView == nullptr) return {};
  // Nothing is written under a name that promises another format.
  if (!Cimg::Opens(fileName)) return strings::SaveNameHint;
  try {
    Cimg piece;
    if (piece.SetGraphic(&pieceView->Picture().AsBitmap()) && piece.Save(fileName)) return {};
    return app::SaveFailedText(fileName, app::ReasonText(piece.FailureRaised()));
  } catch (...) {
    return app::SaveFailedText(fileName, app::ReasonText(std::current_exception()));
  }
}

void TdispForm::FileMenuCloseClick(TObject*) { Close(); }
