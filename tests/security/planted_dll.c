/* A DLL that an attacker could put beside a program under a system DLL's name. When it
   is loaded, it creates "<its own path>.loaded", which the test looks for. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH + 16];
        const DWORD length = GetModuleFileNameA(module, marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcpyA(marker + length, ".loaded");
            CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
        }
    }
    return TRUE;
}
