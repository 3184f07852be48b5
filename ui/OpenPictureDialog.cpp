#include "ui/OpenPictureDialog.h"

#include <algorithm>
#include <utility>

#include "framework/Form.h"
#include "framework/Screen.h"
#include "graphics/Bitmap.h"
#include "jpeg/ExifOrientation.h"
#include "jpeg/JpegImage.h"
#include "platform/FileQueries.h"
#include "resources/PreviewGlyph.h"
#include "runtime/Exceptions.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/MemoryStream.h"
#include "runtime/Strings.h"

namespace {

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

// The smallest scale the JPEG library decodes at (1/8, 1/4, 1/2 or 1) whose
// output still covers the picture shown proportionally in a box of boxWidth x
// boxHeight: a preview never holds more pixels than it shows.
TJpegScale CoveringScale(std::int64_t width, std::int64_t height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return sdFull;
  const double fit = std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
  for (TJpegScale scale : {sdEighth, sdQuarter, sdHalf}) {
    const std::int64_t divisor = std::int64_t{1} << scale;
    if ((width + divisor - 1) / divisor >= width * fit && (height + divisor - 1) / divisor >= height * fit)
      return scale;
  }
  return sdFull;
}

// The picture's full size, upright: a JPEG's from its header, whatever scale
// it is decoded at, its sides swapped when its Exif orientation turns it a
// quarter; turned tells whether the orientation turns it at all.
void FullUprightSize(TPicture& picture, std::int32_t& width, std::int32_t& height, bool& turned) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
  turned = false;
  if (jpeg == nullptr || jpeg->SharedData().FileBytes == nullptr) {
    width = picture.Width();
    height = picture.Height();
    return;
  }
  width = jpeg->SharedData().width;
  height = jpeg->SharedData().height;
  const int orientation = jpeg::OrientationOf(*jpeg);
  turned = orientation != 1;
  if (orientation >= 5) std::swap(width, height);
}

// Lets a JPEG picture of width x height (upright) decode anew, at the scale
// that covers image's size, and turns it upright (which decodes it).
void DecodeToCover(TPicture& picture, const TImage& image, std::int32_t width, std::int32_t height) {
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
      jpeg != nullptr && jpeg->SharedData().FileBytes != nullptr) {
    jpeg->ReleaseDecoded();
    jpeg->SetScaleDown(CoveringScale(width, height, image.Width(), image.Height()));
  }
  jpeg::MakeUpright(picture);
}

// The folder of the last picture opened or saved: shared by the open and the
// save dialog, and kept for this run only.
std::string& LastPictureFolder() {
  static std::string folder;
  return folder;
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

bool TOpenPictureDialog::Run() { return RunPictureDialog(false); }

void TOpenPictureDialog::NotePictureFile(const std::string& fileName) {
  LastPictureFolder() = ExtractFilePath(fileName);
}

bool TOpenPictureDialog::RunPictureDialog(bool saving) {
  if (!LastPictureFolder().empty()) SetInitialDir(LastPictureFolder());
  const bool confirmed = RunFileDialog(saving, true);
  if (confirmed) NotePictureFile(FileName());
  return confirmed;
}

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
        FullUprightSize(picture, previewWidth_, previewHeight_, previewTurned_);
        DecodeToCover(picture, *previewImage_, previewWidth_, previewHeight_);
        pictureLabel_->SetCaption(Format(strings::PreviewSizeLabel, previewWidth_, previewHeight_));
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

void TOpenPictureDialog::DialogClosing() {
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(previewImage_->Picture().Graphic())) jpeg->ReleaseDecoded();
  TOpenDialog::DialogClosing();
}

void TOpenPictureDialog::ShowNoPicture() {
  previewWidth_ = previewHeight_ = 0;
  previewTurned_ = false;
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

  // A picture that loads but cannot be drawn says so in the panel, once,
  // instead of a message box at every repaint.
  TPanel* panel = runtime::CreateComponent<TSilentPaintPanel>(*form);
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
  // A picture the pane could not draw is not drawn again: the window says so.
  if (paintPanel_->Caption() == strings::PreviewInvalid) {
    panel->SetCaption(strings::PreviewInvalid);
  } else {
    image->Picture().CopyFrom(&previewImage_->Picture());
  }
  image->SetParent(panel);

  TPicture& picture = image->Picture();
  const std::int32_t width = previewWidth_, height = previewHeight_;
  if (width > 0) {
    const TRect monitor = framework::MonitorRect();
    // What the form shows around the panel's client area (its frame, and the
    // panel's border of 5 on each side, the room around the picture) comes on
    // top of the picture, on device pixels as in the main window, which then
    // shows at its own size.
    const framework::PixelMapping pixels = image->Pixels();
    const int frameX = form->ClientWidth() - panel->ClientWidth();
    const int frameY = form->ClientHeight() - panel->ClientHeight();
    const std::int64_t mostX = static_cast<std::int64_t>(monitor.Width()) * 3 / 4;
    const std::int64_t mostY = static_cast<std::int64_t>(monitor.Height()) * 3 / 4;
    form->SetClientWidth(static_cast<int>(
        std::min<std::int64_t>(mostX, std::int64_t{frameX} + pixels.LogicalLength(width))));
    form->SetClientHeight(static_cast<int>(
        std::min<std::int64_t>(mostY, std::int64_t{frameY} + pixels.LogicalLength(height))));
  }
  try {
    // A turned picture holds only the pane's pixels: the window reads the
    // file again for its own size.
    if (previewTurned_) picture.LoadFile(savedFileName_);
    DecodeToCover(picture, *image, width, height);
  } catch (const Exception&) {
    // The pane's picture, stretched, is the next best thing.
    picture.CopyFrom(&previewImage_->Picture());
  }
  form->ShowModal();
}
