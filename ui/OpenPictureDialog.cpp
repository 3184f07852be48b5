#include "ui/OpenPictureDialog.h"

#include <algorithm>

#include "framework/Form.h"
#include "framework/Screen.h"
#include "graphics/Bitmap.h"
#include "jpeg/ExifOrientation.h"
#include "platform/FileQueries.h"
#include "resources/PreviewGlyph.h"
#include "runtime/Format.h"
#include "runtime/MemoryStream.h"
#include "runtime/Strings.h"

namespace {

// Room around a small picture in the preview window's panel, in logical
// pixels like the frame it widens.
constexpr int kPreviewMargin = 10;

// A file is worth loading when it is there, is no folder, and its attributes
// can be read: the same questions the desktop's own dialog answers.
bool IsPictureCandidate(const std::string& name) {
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(name.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  FILETIME local{};
  SYSTEMTIME time{};
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time)) return false;
  return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void LoadPreviewGlyph(TSpeedButton& button) {
  TMemoryStream stream;
  stream.WriteBuffer(resources::kPreviewGlyph, resources::kPreviewGlyphSize);
  stream.SetPosition(0);
  TBitmap glyph;
  glyph.ReadBitmapInfo(stream, static_cast<std::int64_t>(resources::kPreviewGlyphSize), nullptr);
  button.SetGlyph(&glyph);
}

}  // namespace

bool TSilentPaintPanel::PaintFailed(const std::exception_ptr&) {
  SetCaption(strings::PreviewInvalid);
  return true;
}

TOpenPictureDialog::TOpenPictureDialog(TComponent* owner) : TOpenDialog(owner) {
  SetFilter(FilterForClass(TGraphic::ClassInfo()));

  picturePanel_ = runtime::CreateComponent<TPanel>(*this);
  picturePanel_->SetName("PicturePanel");
  picturePanel_->SetBounds(204, 5, 169, 200);
  picturePanel_->SetBevelOuter(bvNone);
  picturePanel_->SetBorderWidth(6);
  picturePanel_->SetTabOrder(1);

  pictureLabel_ = runtime::CreateComponent<TLabel>(*this);
  pictureLabel_->SetName("PictureLabel");
  pictureLabel_->SetAutoSize(false);
  pictureLabel_->SetBounds(6, 6, 157, 23);
  pictureLabel_->SetAlign(alTop);
  pictureLabel_->SetParent(picturePanel_);

  previewButton_ = runtime::CreateComponent<TSpeedButton>(*this);
  previewButton_->SetName("PreviewButton");
  previewButton_->SetBounds(77, 1, 23, 22);
  previewButton_->SetEnabled(false);
  LoadPreviewGlyph(*previewButton_);
  previewButton_->SetHint(strings::PreviewCaption);
  previewButton_->SetParentShowHint(false);
  previewButton_->SetShowHint(true);
  previewButton_->OnClick = [this](TObject* sender) { ShowPreviewWindow(sender); };
  previewButton_->SetParent(picturePanel_);

  paintPanel_ = runtime::CreateComponent<TSilentPaintPanel>(*this);
  paintPanel_->SetName("PaintPanel");
  paintPanel_->SetBounds(6, 29, 157, 145);
  paintPanel_->SetAlign(alClient);
  paintPanel_->SetBevelInner(bvRaised);
  paintPanel_->SetBevelOuter(bvLowered);
  paintPanel_->SetTabOrder(0);
  paintPanel_->SetParent(picturePanel_);

  previewImage_ = runtime::CreateComponent<TImage>(*this);
  previewImage_->SetName("PaintBox");
  previewImage_->SetAlign(alClient);
  previewImage_->OnDblClick = [this](TObject* sender) { ShowPreviewWindow(sender); };
  previewImage_->SetParent(paintPanel_);
  previewImage_->SetProportional(true);
  previewImage_->SetStretch(true);
  previewImage_->SetCenter(true);
  previewImage_->SetIncrementalDisplay(true);
}

TOpenPictureDialog::~TOpenPictureDialog() {
  // The handlers above point into this dialog: the pane goes first.
  DestroyComponents();
}

bool TOpenPictureDialog::Run() { return RunFileDialog(false, true); }

void TOpenPictureDialog::DialogShown() {
  TWinControl* room = TemplateWindow();
  if (room != nullptr) {
    const TRect standard = StandardControlsRect();
    const int left = standard.Right;
    const int top = 4;
    picturePanel_->SetBounds(left, top, room->ClientWidth() - left, room->ClientHeight() - top);
  }
  previewButton_->SetLeft(paintPanel_->BoundsRect().Right - previewButton_->Width() - 2);
  previewImage_->Picture().SetGraphic(nullptr);
  savedFileName_.clear();
  paintPanel_->SetCaption(strings::PreviewNone);
  if (room != nullptr) picturePanel_->SetParent(room);
  TOpenDialog::DialogShown();
}

void TOpenPictureDialog::SelectionChanged() {
  const std::string name = FileName();
  if (name != savedFileName_) {
    savedFileName_ = name;
    bool shown = false;
    if (IsPictureCandidate(name)) {
      try {
        TPicture& picture = previewImage_->Picture();
        picture.LoadFile(name);
        jpeg::MakeUpright(picture);
        pictureLabel_->SetCaption(Format(strings::PreviewSizeLabel, picture.Width(), picture.Height()));
        previewButton_->SetEnabled(true);
        paintPanel_->SetCaption("");
        shown = true;
      } catch (const std::exception&) {
        // A file no registered format can read is simply no picture.
      }
    }
    if (!shown) ShowNoPicture();
  }
  TOpenDialog::SelectionChanged();
}

void TOpenPictureDialog::ShowNoPicture() {
  pictureLabel_->SetCaption(strings::PreviewPictureLabel);
  previewButton_->SetEnabled(false);
  previewImage_->Picture().SetGraphic(nullptr);
  paintPanel_->SetCaption(strings::PreviewNone);
}

void TOpenPictureDialog::ShowPreviewWindow(TObject*) {
  TForm* form = runtime::CreateComponent<TForm>(*this);
  struct FormEnd {
    TForm* form;
    ~FormEnd() { runtime::DestroyComponent(form); }
  } end{form};
  form->SetName("PreviewForm");
  form->SetCaption(strings::PreviewCaption);
  form->SetBorderStyle(bsSizeToolWin);
  form->SetKeyPreview(true);
  form->SetPosition(poScreenCenter);
  form->OnKeyPress = [form](TObject*, char& key) {
    if (key == 27) form->Close();
  };
  // A first size, so that the panel is laid out and its frame can be measured.
  form->SetClientWidth(200);
  form->SetClientHeight(200);

  TPanel* panel = runtime::CreateComponent<TPanel>(*form);
  panel->SetName("Panel");
  panel->SetCaption("");
  panel->SetAlign(alClient);
  panel->SetBevelOuter(bvNone);
  panel->SetBorderStyle(bsSingle);
  panel->SetBorderWidth(5);
  panel->SetColor(clWindow);
  panel->SetParent(form);

  TImage* image = runtime::CreateComponent<TImage>(*form);
  image->SetName("Image");
  image->SetAlign(alClient);
  image->SetStretch(true);
  image->SetProportional(true);
  image->SetCenter(true);
  image->Picture().CopyFrom(&previewImage_->Picture());
  image->SetParent(panel);

  const TPicture& picture = image->Picture();
  if (picture.Width() > 0) {
    const TRect monitor = framework::MonitorRect();
    // What the form shows around the panel's client area (frame and border)
    // comes on top of the picture, on device pixels as in the main window,
    // and a margin of 10.
    const framework::PixelMapping pixels = image->Pixels();
    const int frameX = form->ClientWidth() - panel->ClientWidth();
    const int frameY = form->ClientHeight() - panel->ClientHeight();
    const std::int64_t mostX = static_cast<std::int64_t>(monitor.Width()) * 3 / 4;
    const std::int64_t mostY = static_cast<std::int64_t>(monitor.Height()) * 3 / 4;
    form->SetClientWidth(static_cast<int>(std::min<std::int64_t>(
        mostX, std::int64_t{frameX} + pixels.LogicalLength(picture.Width()) + kPreviewMargin)));
    form->SetClientHeight(static_cast<int>(std::min<std::int64_t>(
        mostY, std::int64_t{frameY} + pixels.LogicalLength(picture.Height()) + kPreviewMargin)));
  }
  form->ShowModal();
}
