#include "app/Movara.h"

// The one application object.
Movara theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return theApp.run(); }
