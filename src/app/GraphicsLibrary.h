#pragma once

// Starts GDI+ (version 1) once per process; it is shut down at process exit.
void startGraphicsLibrary();
