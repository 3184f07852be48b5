#include "layers/Layers.h"
#include "tests/TestMain.h"

int main(int argc, char** argv) { return RunTests<layers::GraphicsLayers>(argc, argv); }
