// Entry point: COM for the video, one main window, its message loop.
#include <objbase.h>

#include "app/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    CoInitialize(nullptr);
    int result;
    {
        Main_Window window;
        result = window.run(instance, show);
    }
    CoUninitialize();
    return result;
}
