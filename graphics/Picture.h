// TPicture: a container for at most one graphic of any registered kind. It
// picks the kind by file extension or clipboard format, can be forced to hold
// a bitmap, and passes every change of its graphic on to one observer.
// TFileFormatsList and TClipboardFormats are the process-wide registries that
// map extensions and clipboard format numbers to graphic classes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/Graphic.h"
#include "platform/Windows.h"
#include "runtime/Persistent.h"
#include "runtime/StreamPersist.h"

class IChangeNotifier;
class TBitmap;
class TFiler;
class TStream;

// A text of the string table that a registry entry loads as its description
// when it is first needed; null for none.
using TDescriptionId = const char*;

// One file-format registry entry.
struct TFileFormat {
  TGraphicClass GraphicClass = nullptr;
  // Without the dot, lower case.
  std::string Extension;
  // May be empty until DescriptionId has been loaded into it.
  std::string Description;
  TDescriptionId DescriptionId = nullptr;
  // The program's image holder loads and saves files of this extension.
  bool OpenedByHolder = false;
};

// Extensions to graphic classes, newest registration first when searched.
class TFileFormatsList {
 public:
  // A list holding the built-in formats: wmf, emf (TMetafile), ico (TIcon),
  // bmp (TBitmap), in that order.
  TFileFormatsList();
  TFileFormatsList(const TFileFormatsList&) = delete;
  TFileFormatsList& operator=(const TFileFormatsList&) = delete;

  // Appends an entry with extension lower-cased. Raises EInvalidCast when
  // graphicClass is not TGraphic or a descendant.
  void AddFormat(std::string_view extension, std::string_view description, TGraphicClass graphicClass,
                 TDescriptionId descriptionId = nullptr);
  // The class of the newest entry for extension (compared lower-cased), or null.
  TGraphicClass FindByExtension(std::string_view extension) const;
  // Marks the newest entry for extension (compared lower-cased) as one the
  // image holder opens; nothing when there is none.
  void MarkOpenedByHolder(std::string_view extension);
  // The newest entry for extension (without the dot, compared lower-cased),
  // or null.
  const TFileFormat* NewestFor(std::string_view extension) const;
  // The class of the newest entry whose class name is exactly name, or null.
  TGraphicClass FindByClassName(std::string_view name) const;
  // Removes every entry whose class is graphicClass or descends from it.
  void RemoveFormatsOf(TGraphicClass graphicClass);
  // The file-dialog filter ("description (*.ext)|*.ext" pairs, newest first,
  // led by an all-files pair when more than one entry matches) and the masks
  // ("*.ext" joined by ";") of every entry of graphicClass or a descendant.
  // Both are empty when nothing matches. Loads pending descriptions.
  void BuildFilter(TGraphicClass graphicClass, std::string& filter, std::string& masks);

  // The number of entries.
  std::size_t Count() const noexcept { return formats_.size(); }
  // Entry index in registration order; index must be below Count().
  const TFileFormat& operator[](std::size_t index) const { return formats_.at(index); }

 private:
  TFileFormat* NewestFor(std::string_view extension);

  std::vector<TFileFormat> formats_;
};

// Clipboard format numbers to graphic classes, newest registration first when
// searched. Entry i of the classes belongs to entry i of the numbers.
class TClipboardFormats {
 public:
  // The built-in formats: CF_METAFILEPICT (3) and CF_ENHMETAFILE (14) to
  // TMetafile, CF_BITMAP (2) to TBitmap, in that order.
  TClipboardFormats();
  TClipboardFormats(const TClipboardFormats&) = delete;
  TClipboardFormats& operator=(const TClipboardFormats&) = delete;

  // Appends the pair; the list is unchanged when that fails. Raises
  // EInvalidCast when graphicClass is not TGraphic or a descendant.
  void AddClipboardFormat(WORD format, TGraphicClass graphicClass);
  // The class of the newest pair with format, or null.
  TGraphicClass FindClassForFormat(WORD format) const;
  // Removes every pair whose class is graphicClass or descends from it.
  void RemoveClipboardFormatsOf(TGraphicClass graphicClass);

  // The number of pairs.
  std::size_t Count() const noexcept { return formats_.size(); }

 private:
  std::vector<TGraphicClass> classes_;
  std::vector<WORD> formats_;
};

// The process-wide registries, made on first use and destroyed by the graphics
// layer's shutdown.
TFileFormatsList& FileFormatRegistry();
TClipboardFormats& ClipboardFormatRegistry();

// The filter text the file-format registry builds for graphicClass
// (TFileFormatsList::BuildFilter without its masks).
std::string FilterForClass(TGraphicClass graphicClass);

class TPicture : public TPersistent, public IStreamPersist {
  KIRITORI_CLASS(TPicture, TPersistent)

  // An empty picture; makes sure both registries exist.
  TPicture();
  ~TPicture() override;

  // ---- Persistent-object operations -------------------------------------

  // Null empties the picture; a TPicture's graphic or a TGraphic is copied as
  // SetGraphic does; anything else is asked to copy itself here (ECopyError
  // when it cannot).
  void CopyFrom(TPersistent* source) override;
  // Lets dest copy the held graphic when that graphic is a dest; otherwise
  // ECopyError.
  void CopyTo(TPersistent* dest) override;
  // Declares "Data": the graphic's class name (a length byte, at most 63
  // bytes; a single 0 byte without a graphic) then its WritePropertyData.
  // Written unless it would repeat the ancestor picture's graphic.
  void DefineProperties(TFiler& filer) override;

  // ---- The graphic ------------------------------------------------------

  // The owned graphic, or null. Stays the picture's; do not free it.
  TGraphic* Graphic() const noexcept { return graphic_.get(); }
  // Replaces the graphic with a new copy of value (none for null); the picture
  // never keeps the caller's object. When the copy fails the old graphic stays.
  void SetGraphic(TGraphic* value);
  // The held bitmap; a picture holding anything else first drops it (without
  // conversion) for a new empty bitmap and fires OnChange.
  TBitmap& AsBitmap();
  // Makes the picture hold a graphicClass (or descendant) instance: a graphic
  // of another class is freed and a new empty one is installed, which fires
  // OnChange. Raises EInvalidCast for a class that is no graphic.
  void EnsureGraphicClass(TGraphicClass graphicClass);
  // The graphic's size; 0 without one.
  std::int32_t Width() const;
  std::int32_t Height() const;

  // ---- Loading and saving -----------------------------------------------

  // Loads fileName into a new graphic of the class registered for its
  // extension and installs it; OnChange fires once. Raises EInvalidGraphic
  // naming the extension when none is registered; on any failure the picture
  // keeps its graphic and fires nothing.
  void LoadFile(const std::string& fileName);
  // As LoadFile, with the class registered for the clipboard format. Raises
  // EInvalidGraphic for a format without a class.
  void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette);
  // The held graphic's clipboard data (the caller owns it); without a graphic
  // the outputs are left as they are.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette);
  // Both go through AsBitmap: afterwards the picture holds a bitmap, also
  // when reading fails.
  void LoadStream(TStream& stream);
  void SaveStream(TStream& stream);

  // The stream-persistence interface: LoadStream and SaveStream.
  void LoadFromStream(TStream& stream) override { LoadStream(stream); }
  void SaveToStream(TStream& stream) override { SaveStream(stream); }

  // ---- Registries -------------------------------------------------------

  // Adds an extension to the file-format registry; the newest registration of
  // an extension wins.
  static void RegisterFormat(std::string_view extension, std::string_view description, TGraphicClass graphicClass);
  // Adds a clipboard format to the clipboard registry; the newest wins.
  static void RegisterClipboardFormat(WORD format, TGraphicClass graphicClass);
  // Whether a graphic class is registered for the clipboard format.
  static bool CanLoadClipboardFormat(WORD format);
  // Removes graphicClass and its descendants from both registries; nothing
  // when the registries are already gone.
  static void UnregisterFormatsOf(TGraphicClass graphicClass);

  // Fired with the picture as sender for every change of its graphic.
  TNotifyEvent OnChange;
  // The held graphic's progress reports, passed on unchanged.
  TProgressEvent OnProgress;
  // Told of every change after OnChange; not owned.
  IChangeNotifier* ChangeNotifier = nullptr;

 protected:
  // The installed graphic's change handler: OnChange, then ChangeNotifier.
  virtual void Changed(TObject* sender);
  // The installed graphic's progress handler.
  virtual void Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const TRect& r,
                        const std::string& msg);

 private:
  void Hook(TGraphic& graphic);
  // Frees the old graphic, installs graphic (hooked) and fires Changed.
  void Install(std::unique_ptr<TGraphic> graphic);
  void LoadWith(TGraphicClass graphicClass, const std::function<void(TGraphic&)>& load);
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  std::unique_ptr<TGraphic> graphic_;
};

namespace graphics::detail {
// Called by the graphics layer's shutdown only.
void DestroyPictureRegistries() noexcept;
}  // namespace graphics::detail
