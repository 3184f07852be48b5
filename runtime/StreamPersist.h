// The interface of objects that can be read from and written to a stream as a
// whole, whatever their class.
#pragma once

class TStream;

class IStreamPersist {
 public:
  // Replaces the object's content with what stream holds from its position.
  virtual void LoadFromStream(TStream& stream) = 0;
  // Writes the object's content to stream at its position.
  virtual void SaveToStream(TStream& stream) = 0;

 protected:
  ~IStreamPersist() = default;
};
