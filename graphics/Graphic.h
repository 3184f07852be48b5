// TGraphic: the abstract base of every picture kind (bitmap, JPEG image). It
// fixes the operations the kinds implement and supplies the common ones: file
// loading and saving, change and progress notification, the transparency flag,
// content comparison, and the "Data" property of a form definition.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "graphics/Types.h"
#include "platform/Windows.h"
#include "runtime/Persistent.h"
#include "runtime/StreamPersist.h"

class TCanvas;
class TStream;
class TFiler;

enum TProgressStage : std::uint8_t { psStarting = 0, psRunning = 1, psEnding = 2 };

// Sender, Stage, PercentDone, RedrawNow, R (the area that is ready), Msg.
using TProgressEvent = std::function<void(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                                          bool redrawNow, const TRect& r, const std::string& msg)>;

// A class reference to TGraphic or a descendant.
using TGraphicClass = TClass;

// Operations marked abstract raise EAbstractError unless the subclass fills them.
class TGraphic : public TPersistent, public IStreamPersist {
  KIRITORI_CLASS(TGraphic, TPersistent)

  ~TGraphic() override;

  // Declares the "Data" property: read with ReadPropertyData, written with
  // WritePropertyData when there is no ancestor and this graphic is not empty,
  // when the ancestor is no graphic, or when its content differs.
  void DefineProperties(TFiler& filer) override;

  // Sets IsModified and fires OnChange with this graphic as sender.
  virtual void NotifyChanged(TObject* sender);
  // Draws the picture scaled into rect of canvas. Abstract.
  virtual void DrawInto(TCanvas& canvas, const TRect& rect);
  // Whether both are empty, if either is; otherwise whether both are of one
  // class and WritePropertyData gives the same bytes for each.
  virtual bool SameContent(TGraphic& other);
  virtual bool IsEmpty();  // abstract
  virtual std::int32_t Height();  // abstract
  // The picture's palette, owned by the graphic; 0 when it has none.
  virtual HPALETTE ColorPalette();
  virtual bool Transparent();
  virtual std::int32_t Width();  // abstract
  // Reads the picture from a form definition's "Data" bytes; LoadStream here.
  virtual void ReadPropertyData(TStream& stream);
  virtual void SetHeight(std::int32_t value);  // abstract
  // Installs a palette; the base ignores it.
  virtual void SetColorPalette(HPALETTE value);
  // Stores a different value and runs NotifyChanged; the same value does nothing.
  virtual void SetTransparent(bool value);
  virtual void SetWidth(std::int32_t value);  // abstract
  // Writes the picture as a form definition's "Data" bytes; SaveStream here.
  virtual void WritePropertyData(TStream& stream);
  // A new, empty graphic of this graphic's class (its class reference's
  // factory). Raises EAbstractError for a class that cannot be instantiated.
  virtual std::unique_ptr<TGraphic> CreateEmpty() const;
  // Opens fileName for reading (deny-write) and LoadStream from it; the file
  // is closed on every path. Open failures (EFileOpenError) propagate.
  virtual void LoadFile(const std::string& fileName);
  // SaveStream into a new file beside fileName, then puts it in fileName's
  // place. On any failure the new file is removed and an existing fileName is
  // left untouched; the failure propagates (EFileCreateError, the stream's or
  // SaveStream's own).
  virtual void SaveFile(const std::string& fileName);
  virtual void LoadStream(TStream& stream);  // abstract
  virtual void SaveStream(TStream& stream);  // abstract
  // Takes the picture from clipboard data of the given format. Abstract.
  virtual void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette);
  // Makes clipboard data of the picture; the caller owns data and palette. Abstract.
  virtual void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette);

  // Fires OnProgress with the six arguments when it is assigned.
  virtual void ReportProgress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                              const TRect& r, const std::string& msg);

  // The stream-persistence interface: LoadStream and SaveStream.
  void LoadFromStream(TStream& stream) override { LoadStream(stream); }
  void SaveToStream(TStream& stream) override { SaveStream(stream); }

  bool IsModified() const { return modified_; }
  bool PaletteDirty() const { return paletteDirty_; }
  void SetPaletteDirty(bool value) { paletteDirty_ = value; }

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  // Only descendants are instantiated: this class leaves its core abstract.
  TGraphic();
  // Raises the abstract-call error for a slot that the class does not fill.
  [[noreturn]] static void AbstractCall();

 private:
  bool modified_ = false;
  bool transparent_ = false;
  bool paletteDirty_ = false;
};

// A new, empty graphic of cls. Raises EInvalidCast when cls is not a graphic
// class and EAbstractError when it cannot be instantiated.
std::unique_ptr<TGraphic> CreateGraphic(TGraphicClass cls);
