/* A stand-in for the system's password.cpl: VerifyScreenSavePwd answers
   "verified" when the file LUMARIS_TEST_PASSWORD names holds "right", and
   writes a line for each call to the file LUMARIS_TEST_PASSWORD_LOG names. */
#include <windows.h>

static void readFile(const char* variable, char* text, DWORD size) {
    char path[MAX_PATH] = {0};
    text[0] = 0;
    if (GetEnvironmentVariableA(variable, path, sizeof(path)) == 0) return;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD got = 0;
    if (!ReadFile(file, text, size - 1, &got, NULL)) got = 0;
    text[got] = 0;
    CloseHandle(file);
}

__attribute__((dllexport)) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    char answer[16];
    char log[MAX_PATH] = {0};
    readFile("LUMARIS_TEST_PASSWORD", answer, sizeof(answer));
    if (GetEnvironmentVariableA("LUMARIS_TEST_PASSWORD_LOG", log, sizeof(log)) > 0) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            const char* line = IsWindow(window) ? "asked\n" : "no window\n";
            DWORD written = 0;
            WriteFile(file, line, lstrlenA(line), &written, NULL);
            CloseHandle(file);
        }
    }
    return lstrcmpA(answer, "right") == 0;
}
