// Cimg: the program's image holder. It hides the file format from the windows:
// a picture is loaded or saved as JPEG or BMP by the extension of the file name
// and kept as one TBitmap of 24 bits per pixel. The extensions it takes are the
// file-format registry's entries marked OpenedByHolder (".jpg", ".jpeg" and
// ".bmp"), compared in any case as the registry compares them.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "runtime/Exceptions.h"

class TBitmap;
class TGraphic;

class Cimg {
 public:
  // No bitmap, no buffer, every reserved field zero.
  Cimg();
  // Releases buffer and destroys bitmap.
  ~Cimg();
  Cimg(const Cimg&) = delete;
  Cimg& operator=(const Cimg&) = delete;

  // Loads a ".jpg", ".jpeg" or ".bmp" file into a new bitmap and makes it 24
  // bits per pixel; a JPEG is turned upright as its Exif orientation says.
  // Another extension returns false without opening the file and keeps bitmap
  // as it was; a file that cannot be read or decoded returns false and leaves
  // the new, empty bitmap in place. Never raises.
  [[nodiscard]] bool Load(const std::string& fileName);
  // Replaces bitmap by a 24-bit copy of graphic (sharing the pixels of a
  // bitmap until either changes them). False for null, for an empty picture and
  // for any failure; the new bitmap then stays as far as it got. Never raises.
  [[nodiscard]] bool SetGraphic(TGraphic* graphic);
  // Writes bitmap as JPEG (".jpg" or ".jpeg", with a new JPEG image's
  // settings) or as BMP (".bmp"). False, writing nothing, without a picture or for another
  // extension; false for a failed save, which leaves an existing file
  // untouched. Never changes the holder and never raises.
  [[nodiscard]] bool Save(const std::string& fileName);
  // Whether Load would try fileName: its extension is one the holder reads.
  // The file itself is not looked at.
  [[nodiscard]] static bool Opens(const std::string& fileName);
  // The picture's size in pixels; 0 without a bitmap.
  std::int32_t Width();
  std::int32_t Height();
  // Makes bitmap 24 bits per pixel (nothing to do when it already is, or when
  // there is no bitmap). Never raises; on failure the bitmap stays as it was.
  void Make24Bit();

  // Why the last Load, SetGraphic or Save returned false: the failure as it
  // was raised, or for a name the holder does not handle an EInvalidGraphic
  // naming the extension. Null after a success, and when the only fault was
  // an empty picture. With KIRITORI_DEBUG=1 in the environment every failed
  // Load and Save also writes one line to standard error: the file, the
  // format and the technical text.
  const std::exception_ptr& FailureRaised() const noexcept { return failure_; }
  // The same failure as its message and its reason (kind and technical text);
  // both empty when nothing was raised.
  struct Failure {
    std::string Message;
    TFailureReason Reason;
  };
  Failure LastFailure() const noexcept;
  // Any failure so described: an Exception by its message and reason, a
  // std::bad_alloc as OverAvailableMemory with no message, another
  // std::exception by its what(); both empty for null and for anything else.
  static Failure Describe(const std::exception_ptr& failure) noexcept;

  // Reserved: nothing allocates it; released by the destructor and by every
  // successful Load and SetGraphic.
  void* buffer = nullptr;
  // Reserved; read by nothing.
  std::int32_t table[256]{};
  std::int32_t reserved1 = 0, reserved2 = 0;
  // The picture; owned. Null until the first Load or SetGraphic; after a
  // successful one a non-empty bitmap of 24 bits per pixel.
  std::unique_ptr<TBitmap> bitmap;

 private:
  // After a load or copy: the picture becomes 24 bits and the buffer is
  // released when there is one; false when there is no usable picture.
  [[nodiscard]] bool LoadFile(const std::string& fileName);
  [[nodiscard]] bool SaveFile(const std::string& fileName);
  [[nodiscard]] bool Finish(bool result);
  void ReleaseBuffer() noexcept;
  // Writes the debug line of a failed load or save.
  void Report(const char* operation, const std::string& fileName) const;

  // Notes that fileName's extension is not one the holder handles.
  void RefuseExtension(const std::string& fileName);

  std::exception_ptr failure_;
};
