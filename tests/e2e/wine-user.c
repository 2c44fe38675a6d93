/* What scripts/wine-msi-check.sh needs done from inside Windows, as the system or a user's other
 * programs would do it. Each command prints what it found and exits 0 when it holds:
 *   minimise                 minimises the window titled Vexto, as the system does
 *   start maximised PROGRAM  starts PROGRAM as a shortcut set to "Maximized" does; its window must
 *                            show maximised, and the program end with 0 when it is closed
 *   start minimised PROGRAM  the same for "Minimized": on the task bar, without the foreground
 *   second-copy PROGRAM      starts PROGRAM with a command line that the C runtime would split
 *                            otherwise, and exits with its exit code (124 after 60 s)
 *   block                    prints the parameters in the hand-over block, one a line
 *   lock-taken PROGRAM       starts PROGRAM while another kind of object holds its lock's name:
 *                            it must report "Application Error" and, once that is closed, end
 *                            with exit code 1 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define DEADLINE_MS 30000

struct search {
    DWORD process;
    const char *title;
    HWND found;
};

static BOOL CALLBACK match_window(HWND window, LPARAM context) {
    struct search *search = (struct search *)context;
    char title[64];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window) ||
        !GetWindowTextA(window, title, sizeof title) || strcmp(title, search->title) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

/* The visible top-level window of the process with the title, once it shows; NULL otherwise. */
static HWND wait_for_window(const PROCESS_INFORMATION *started, const char *title) {
    struct search search = {started->dwProcessId, title, NULL};
    for (DWORD waited = 0; waited < DEADLINE_MS; waited += 100) {
        EnumWindows(match_window, (LPARAM)&search);
        if (search.found || WaitForSingleObject(started->hProcess, 100) == WAIT_OBJECT_0)
            break;
    }
    return search.found;
}

static int start(const char *program, const char *parameters, WORD show,
                 PROCESS_INFORMATION *started) {
    char command_line[2 * MAX_PATH];
    STARTUPINFOA startup = {0};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    snprintf(command_line, sizeof command_line, "\"%s\"%s", program, parameters);
    if (!CreateProcessA(NULL, command_line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, started)) {
        printf("could not start %s: error %lu\n", command_line, GetLastError());
        return 0;
    }
    return 1;
}

static int minimise(void) {
    HWND window = FindWindowA(NULL, "Vexto");
    if (!window)
        return 1;
    ShowWindow(window, SW_MINIMIZE);
    return IsIconic(window) ? 0 : 1;
}

/* Closes the window and waits for its program to end; its exit code, 124 if it runs on. */
static DWORD close_program(HWND window, const PROCESS_INFORMATION *started) {
    DWORD exit_code = 124;
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started->hProcess, DEADLINE_MS) == WAIT_OBJECT_0)
        GetExitCodeProcess(started->hProcess, &exit_code);
    else
        TerminateProcess(started->hProcess, 124);
    return exit_code;
}

/* Waits for the window in the state asked for, then closes it; a window that is there but in
 * another state has its last state reported. */
static int start_shown(const char *state, const char *program) {
    const int maximised = strcmp(state, "maximised") == 0;
    PROCESS_INFORMATION started;
    if (!start(program, "", maximised ? SW_SHOWMAXIMIZED : SW_SHOWMINNOACTIVE, &started))
        return 1;
    HWND window = wait_for_window(&started, "Vexto");
    int held = 0;
    for (DWORD waited = 0; window && !held && waited < DEADLINE_MS; waited += 100) {
        held = maximised ? IsZoomed(window) : IsIconic(window) && GetForegroundWindow() != window;
        if (!held)
            Sleep(100);
    }
    if (!window)
        printf("no window titled Vexto showed\n");
    else
        printf("the window is %s%s%s\n", IsZoomed(window) ? "maximised" : "",
               IsIconic(window) ? "minimised" : "",
               GetForegroundWindow() == window ? " and in the foreground" : "");
    const DWORD exit_code = close_program(window, &started);
    if (exit_code != 0)
        printf("closed, the program ended with exit code %lu\n", exit_code);
    return held && exit_code == 0 ? 0 : 1;
}

static int second_copy(const char *program) {
    PROCESS_INFORMATION started;
    DWORD exit_code = 124;
    /* The C runtime would make "" an empty parameter and \" a quote. */
    if (!start(program, " one \"two three\" \"\" \"C:\\dir\\\" four", SW_SHOWNORMAL, &started))
        return 1;
    if (WaitForSingleObject(started.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(started.hProcess, &exit_code);
    return (int)exit_code;
}

static int block(void) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "vexto.exe");
    const unsigned char *view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 3018) : NULL;
    if (!view) {
        printf("no hand-over block named vexto.exe: error %lu\n", GetLastError());
        return 1;
    }
    int count;
    memcpy(&count, view + 4, sizeof count);
    for (int i = 0; i < count && i < 10; ++i)
        printf("%.300s\n", (const char *)view + 8 + 301 * i);
    return 0;
}

static int lock_taken(const char *program) {
    /* A name held by an object of another kind can't be a semaphore's. */
    HANDLE squatter = CreateEventA(NULL, TRUE, FALSE, "vexto.exeSem");
    PROCESS_INFORMATION started;
    if (!squatter || !start(program, "", SW_SHOWNORMAL, &started))
        return 1;
    HWND report = wait_for_window(&started, "Application Error");
    if (!report)
        printf("no window titled Application Error showed\n");
    const DWORD exit_code = close_program(report, &started);
    printf("the program ended with exit code %lu\n", exit_code);
    return report && exit_code == 1 ? 0 : 1;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "minimise") == 0)
        return minimise();
    if (argc == 4 && strcmp(argv[1], "start") == 0)
        return start_shown(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "second-copy") == 0)
        return second_copy(argv[2]);
    if (argc == 2 && strcmp(argv[1], "block") == 0)
        return block();
    if (argc == 3 && strcmp(argv[1], "lock-taken") == 0)
        return lock_taken(argv[2]);
    fprintf(stderr, "usage: wine-user minimise | start maximised|minimised PROGRAM | "
                    "second-copy PROGRAM | block | lock-taken PROGRAM\n");
    return 2;
}
