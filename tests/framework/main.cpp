#include "tests/framework/OffscreenMain.h"

int main(int argc, char** argv) { return RunOffscreenTests<layers::FrameworkLayers>(argc, argv); }
