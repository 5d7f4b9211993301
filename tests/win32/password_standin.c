/* A stand-in for the system's password.cpl: VerifyScreenSavePwd answers
   "verified" when the environment's LUMARIS_TEST_PASSWORD is "right", and
   counts its calls in the file LUMARIS_TEST_PASSWORD_LOG names. */
#include <windows.h>

__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    char answer[16] = {0};
    char log[MAX_PATH] = {0};
    GetEnvironmentVariableA("LUMARIS_TEST_PASSWORD", answer, sizeof(answer));
    if (GetEnvironmentVariableA("LUMARIS_TEST_PASSWORD_LOG", log, sizeof(log)) > 0) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, IsWindow(window) ? "asked\n" : "no window\n", IsWindow(window) ? 6 : 10, &written, NULL);
            CloseHandle(file);
        }
    }
    return lstrcmpA(answer, "right") == 0;
}
