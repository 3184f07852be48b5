#include "app/MainForm.h"

#include "app/WindowFont.h"
#include "runtime/Strings.h"

TmainForm* mainForm = nullptr;

namespace {
constexpr const char* kAuthorship = " kiritori 開発チーム";
}  // namespace

TmainForm::TmainForm(TComponent* owner) : TForm(owner) {
  BuildFromDefinition();
  SB->SetSimplePanel(true);
  SetKeyPreview(true);
}

TmainForm::~TmainForm() {
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

  // The definition's outer size belongs to the original desktop's frame; the
  // client area below the menu bar is what the window must offer.
  SetClientWidth(362);
  SetClientHeight(264);
  EndLoading();
}

void TmainForm::FileMenuOpenClick(TObject*) {}

void TmainForm::FileMenuCloseClick(TObject*) { Close(); }

void TmainForm::toolMenuCutClick(TObject*) {}

void TmainForm::toolMenuClipbdClick(TObject*) {}

void TmainForm::FormKeyDown(TObject*, TVirtualKey&, TShiftState) {}

void TmainForm::ImageMouseDown(TObject*, TMouseButton, TShiftState, int, int) {}

void TmainForm::ImageMouseMove(TObject*, TShiftState, int, int) {}

void TmainForm::ImageMouseUp(TObject*, TMouseButton, TShiftState, int, int) {}
