/* The CD starter index.exe: opens the gallery's index.htm that lies beside this program
   with the default browser. autorun.inf on the CD names it. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <wchar.h>

#define PATH_CAPACITY 32768

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    static wchar_t page[PATH_CAPACITY];
    static wchar_t folder[PATH_CAPACITY];
    const wchar_t pageName[] = L"index.htm";
    DWORD length;
    wchar_t* lastSlash;
    HINSTANCE result;

    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;

    length = GetModuleFileNameW(NULL, folder, PATH_CAPACITY);
    if (length == 0 || length >= PATH_CAPACITY)
        return 1;
    lastSlash = wcsrchr(folder, L'\\');
    if (lastSlash == NULL)
        return 1;
    lastSlash[1] = L'\0';
    if (wcslen(folder) + wcslen(pageName) >= PATH_CAPACITY)
        return 1;
    wcscpy(page, folder);
    wcscat(page, pageName);

    /* ShellExecute reports success with a value above 32. */
    result = ShellExecuteW(NULL, L"open", page, NULL, folder, SW_SHOWNORMAL);
    if ((INT_PTR)result <= 32) {
        MessageBoxW(NULL, L"Die Galerie (index.htm) kann nicht ge\u00F6ffnet werden.",
                    L"Lumivista", MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}
