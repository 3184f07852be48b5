#include "app/DispForm.h"

#include "app/WindowFont.h"
#include "runtime/Strings.h"

TdispForm* dispForm = nullptr;

TdispForm::TdispForm(TComponent* owner) : TForm(owner) { BuildFromDefinition(); }

TdispForm::~TdispForm() {
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

  // As in the main window: the client area is what the definition pins down.
  SetClientWidth(156);
  SetClientHeight(58);
  EndLoading();
}

void TdispForm::FileMenuSaveClick(TObject*) {}

void TdispForm::FileMenuCloseClick(TObject*) { Close(); }
