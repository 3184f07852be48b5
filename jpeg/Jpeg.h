// Start-up and shutdown of the JPEG module: the default decoding depth and the
// file-format registration of "jpeg" and "jpg".
#pragma once

namespace jpeg {
// Chooses the default depth and registers the extensions; runs once however
// often it is called, until the matching Shutdown.
void Startup();
// Removes the registrations when the last Startup is undone.
void Shutdown();
// jd8Bit as the default decoding depth on a display of 8 bits or less,
// otherwise jd24Bit.
void ChooseDefaultDepth();
}  // namespace jpeg
