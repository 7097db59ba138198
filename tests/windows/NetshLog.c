/* A stand-in for Windows' netsh.exe in the installer's Wine test (scripts/windows.sh): it
   appends its whole command line, UTF-8, one line per call, to C:\netsh.log and succeeds. */
#include <string.h>
#include <windows.h>

int main(void) {
    char text[8192];
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, text, sizeof text - 2, NULL, NULL);
    HANDLE log = CreateFileW(L"C:\\netsh.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (length <= 0 || log == INVALID_HANDLE_VALUE)
        return 1;
    strcpy(text + length - 1, "\n");
    DWORD written = 0;
    const BOOL ok = WriteFile(log, text, (DWORD)length, &written, NULL);
    CloseHandle(log);
    return ok && written == (DWORD)length ? 0 : 1;
}
