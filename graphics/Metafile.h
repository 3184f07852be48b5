// TMetafile: the vector-picture kind of the platform. kiritori registers it for
// the metafile extensions and clipboard formats, but never draws vector
// pictures: it stays empty and refuses every picture it is given.
#pragma once

#include "graphics/EmptyGraphic.h"

class TMetafile : public TEmptyGraphic {
  KIRITORI_CLASS(TMetafile, TEmptyGraphic)
};
