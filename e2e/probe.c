/*
 * probe.exe: a small helper the end-to-end tests run inside the same Wine
 * prefix as the program under test, to look at things only Win32 can see.
 *
 *   probe [-o FILE] platform
 *   probe [-o FILE] windows EXE-NAME|PID [all]
 *   probe [-o FILE] post CLASS MESSAGE WPARAM LPARAM
 *   probe [-o FILE] send CLASS MESSAGE WPARAM LPARAM
 *   probe [-o FILE] broadcast MESSAGE
 *   probe [-o FILE] traydelete CLASS ID
 *   probe [-o FILE] profileint FILE SECTION KEY DEFAULT [FILE SECTION KEY DEFAULT]...
 *
 * Output is one line per item, tab-separated key=value fields; in text
 * fields a backslash, tab, CR or LF is written as \\, \t, \r, \n.  With -o
 * the lines go to FILE (the harness reads them from there because a Wine
 * command's stdout is shared with Wine's own background processes).
 *
 * MESSAGE is a number (decimal or 0x hex), WM_USER+N, WM_APP+N, a few
 * WM_ names, or reg:NAME for RegisterWindowMessage(NAME).
 *
 * broadcast posts MESSAGE (wParam and lParam 0) to every top-level window, as
 * the shell does with TaskbarCreated.  traydelete removes the notification
 * icon (hWnd, uID ID) of the first window of CLASS, as a shell that ends
 * loses it.  profileint prints what GetPrivateProfileIntA returns for each
 * query, unsigned; one start answers them all.
 *
 * Exit status: 0 done, 1 bad usage, 2 nothing found.
 */
#include <windows.h>
// tlhelp32.h needs the types from windows.h.
#include <tlhelp32.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static FILE* out;

static void put_text(const char* s) {
  for (; *s; ++s) {
    switch (*s) {
    case '\\':
      fputs("\\\\", out);
      break;
    case '\t':
      fputs("\\t", out);
      break;
    case '\r':
      fputs("\\r", out);
      break;
    case '\n':
      fputs("\\n", out);
      break;
    default:
      fputc(*s, out);
    }
  }
}

static int usage(void) {
  fputs("usage: probe [-o FILE] platform | windows EXE|PID [all] |"
        " post|send CLASS MESSAGE WPARAM LPARAM | broadcast MESSAGE |"
        " traydelete CLASS ID | profileint FILE SECTION KEY DEFAULT...\n",
        out);
  return 1;
}

static int verb_platform(void) {
  OSVERSIONINFOA vi;
  memset(&vi, 0, sizeof vi);
  vi.dwOSVersionInfoSize = sizeof vi;
  if (!GetVersionExA(&vi)) {
    fprintf(out, "error=GetVersionExA\tcode=%lu\n", GetLastError());
    return 2;
  }
  fprintf(out, "platform=%lu\tmajor=%lu\tminor=%lu\tbuild=%lu\n", vi.dwPlatformId,
          vi.dwMajorVersion, vi.dwMinorVersion, vi.dwBuildNumber);
  return 0;
}

/* Processes whose exe name (or id) matches; Wine reports the bare file name. */
#define MAX_PIDS 64
struct target {
  DWORD pids[MAX_PIDS];
  int npids;
  int all;
  int listed;
};

static int is_number(const char* s) {
  if (!*s) return 0;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return 0;
  return 1;
}

static void find_pids(const char* what, struct target* t) {
  if (is_number(what)) {
    t->pids[t->npids++] = (DWORD)strtoul(what, NULL, 10);
    return;
  }
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 pe;
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32First(snap, &pe); ok && t->npids < MAX_PIDS;
       ok = Process32Next(snap, &pe)) {
    const char* base = strrchr(pe.szExeFile, '\\');
    base = base ? base + 1 : pe.szExeFile;
    if (lstrcmpiA(base, what) == 0) t->pids[t->npids++] = pe.th32ProcessID;
  }
  CloseHandle(snap);
}

/* The rule the shell uses to decide on a taskbar button. */
static int gets_taskbar_button(HWND w, LONG exstyle, HWND owner) {
  if (!IsWindowVisible(w)) return 0;
  if (exstyle & WS_EX_APPWINDOW) return 1;
  return owner == NULL && !(exstyle & WS_EX_TOOLWINDOW);
}

static BOOL CALLBACK list_one(HWND w, LPARAM lp) {
  struct target* t = (struct target*)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  int mine = 0;
  for (int i = 0; i < t->npids; ++i) mine |= t->pids[i] == pid;
  if (!mine || (!t->all && !IsWindowVisible(w))) return TRUE;

  char cls[256] = "", text[1024] = "";
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, text, sizeof text);
  RECT r;
  GetWindowRect(w, &r);
  LONG style = GetWindowLongA(w, GWL_STYLE);
  LONG exstyle = GetWindowLongA(w, GWL_EXSTYLE);
  HWND owner = GetWindow(w, GW_OWNER);

  fprintf(out, "hwnd=0x%lx\tpid=%lu\tclass=", (unsigned long)(ULONG_PTR)w, pid);
  put_text(cls);
  fputs("\ttext=", out);
  put_text(text);
  fprintf(out,
          "\trect=%ld,%ld,%ld,%ld\tstyle=0x%08lx\texstyle=0x%08lx\towner=0x%lx"
          "\tvisible=%d\ttaskbar=%d\n",
          r.left, r.top, r.right, r.bottom, (unsigned long)style, (unsigned long)exstyle,
          (unsigned long)(ULONG_PTR)owner, IsWindowVisible(w) ? 1 : 0,
          gets_taskbar_button(w, exstyle, owner));
  t->listed++;
  return TRUE;
}

static int verb_windows(int argc, char** argv) {
  if (argc < 1) return usage();
  struct target t;
  memset(&t, 0, sizeof t);
  t.all = argc > 1 && strcmp(argv[1], "all") == 0;
  find_pids(argv[0], &t);
  if (!t.npids) return 2;
  EnumWindows(list_one, (LPARAM)&t);
  return 0;
}

static int parse_message(const char* s, UINT* msg) {
  static const struct {
    const char* name;
    UINT value;
  } names[] = {
      {"WM_NULL", WM_NULL},
      {"WM_CLOSE", WM_CLOSE},
      {"WM_QUIT", WM_QUIT},
      {"WM_COMMAND", WM_COMMAND},
      {"WM_SYSCOMMAND", WM_SYSCOMMAND},
      {"WM_TIMER", WM_TIMER},
      {"WM_QUERYENDSESSION", WM_QUERYENDSESSION},
      {"WM_ENDSESSION", WM_ENDSESSION},
      {"WM_SETTINGCHANGE", WM_SETTINGCHANGE},
      {"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE},
      {"WM_POWERBROADCAST", WM_POWERBROADCAST},
  };
  if (strncmp(s, "reg:", 4) == 0) {
    *msg = RegisterWindowMessageA(s + 4);
    return *msg != 0;
  }
  for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
    if (strcmp(s, names[i].name) == 0) {
      *msg = names[i].value;
      return 1;
    }
  UINT base = 0;
  if (strncmp(s, "WM_USER+", 8) == 0) {
    base = WM_USER;
    s += 8;
  } else if (strncmp(s, "WM_APP+", 7) == 0) {
    base = WM_APP;
    s += 7;
  }
  char* end;
  unsigned long v = strtoul(s, &end, 0);
  if (*s == 0 || *end != 0) return 0;
  *msg = base + (UINT)v;
  return 1;
}

static int parse_param(const char* s, ULONG_PTR* v) {
  char* end;
  if (*s == '-')
    *v = (ULONG_PTR)strtol(s, &end, 0);
  else
    *v = (ULONG_PTR)strtoul(s, &end, 0);
  return *s != 0 && *end == 0;
}

struct find_class {
  const char* cls;
  HWND found;
  int matches;
};

static void consider(HWND w, struct find_class* f) {
  char cls[256] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, f->cls) == 0) {
    if (!f->found) f->found = w;
    f->matches++;
  }
}

static BOOL CALLBACK find_child(HWND w, LPARAM lp) {
  consider(w, (struct find_class*)lp);
  return TRUE;
}

static BOOL CALLBACK find_top(HWND w, LPARAM lp) {
  consider(w, (struct find_class*)lp);
  EnumChildWindows(w, find_child, lp);
  return TRUE;
}

/* The first window of the class, top-level, child or message-only; prints an
 * error record and returns NULL if there is none. */
static HWND find_window_of_class(const char* cls, int* matches) {
  struct find_class f = {cls, NULL, 0};
  EnumWindows(find_top, (LPARAM)&f);
  /* Message-only windows are not enumerated as top-level windows. */
  for (HWND w = NULL; (w = FindWindowExA(HWND_MESSAGE, w, cls, NULL)) != NULL;) consider(w, &f);
  if (!f.found) {
    fprintf(out, "error=not-found\tclass=");
    put_text(cls);
    fputc('\n', out);
  }
  *matches = f.matches;
  return f.found;
}

static int verb_message(int post, int argc, char** argv) {
  if (argc < 4) return usage();
  UINT msg;
  ULONG_PTR wp, lp;
  if (!parse_message(argv[1], &msg) || !parse_param(argv[2], &wp) || !parse_param(argv[3], &lp))
    return usage();

  int matches;
  HWND w = find_window_of_class(argv[0], &matches);
  if (!w) return 2;

  if (post) {
    BOOL ok = PostMessageA(w, msg, (WPARAM)wp, (LPARAM)lp);
    fprintf(out, "posted=%d\thwnd=0x%lx\tmessage=0x%x\tmatches=%d\n", ok ? 1 : 0,
            (unsigned long)(ULONG_PTR)w, msg, matches);
    return ok ? 0 : 2;
  }
  DWORD_PTR result = 0;
  LRESULT ok =
      SendMessageTimeoutA(w, msg, (WPARAM)wp, (LPARAM)lp, SMTO_ABORTIFHUNG, 10000, &result);
  fprintf(out, "sent=%d\thwnd=0x%lx\tmessage=0x%x\tresult=%ld\tmatches=%d\n", ok ? 1 : 0,
          (unsigned long)(ULONG_PTR)w, msg, (long)result, matches);
  return ok ? 0 : 2;
}

static int verb_broadcast(int argc, char** argv) {
  if (argc != 1) return usage();
  UINT msg;
  if (!parse_message(argv[0], &msg)) return usage();
  BOOL ok = PostMessageA(HWND_BROADCAST, msg, 0, 0);
  fprintf(out, "posted=%d\tmessage=0x%x\n", ok ? 1 : 0, msg);
  return ok ? 0 : 2;
}

static int verb_traydelete(int argc, char** argv) {
  ULONG_PTR id;
  if (argc != 2 || !parse_param(argv[1], &id)) return usage();
  int matches;
  HWND w = find_window_of_class(argv[0], &matches);
  if (!w) return 2;
  NOTIFYICONDATAA nid;
  memset(&nid, 0, sizeof nid);
  nid.cbSize = sizeof nid;
  nid.hWnd = w;
  nid.uID = (UINT)id;
  BOOL ok = Shell_NotifyIconA(NIM_DELETE, &nid);
  fprintf(out, "deleted=%d\thwnd=0x%lx\tid=%u\tmatches=%d\n", ok ? 1 : 0,
          (unsigned long)(ULONG_PTR)w, nid.uID, matches);
  return ok ? 0 : 2;
}

static int verb_profileint(int argc, char** argv) {
  if (argc < 4 || argc % 4 != 0) return usage();
  for (int i = 0; i < argc; i += 4) {
    ULONG_PTR def;
    if (!parse_param(argv[i + 3], &def)) return usage();
    UINT v = GetPrivateProfileIntA(argv[i + 1], argv[i + 2], (INT)def, argv[i]);
    fputs("file=", out);
    put_text(argv[i]);
    fputs("\tsection=", out);
    put_text(argv[i + 1]);
    fputs("\tkey=", out);
    put_text(argv[i + 2]);
    fprintf(out, "\tdefault=%ld\tvalue=%u\n", (long)(INT)def, v);
  }
  return 0;
}

int main(int argc, char** argv) {
  out = stdout;
  int i = 1;
  if (i + 1 < argc && strcmp(argv[i], "-o") == 0) {
    out = fopen(argv[i + 1], "w");
    if (!out) return 1;
    i += 2;
  }
  int rc;
  if (i >= argc)
    rc = usage();
  else if (strcmp(argv[i], "platform") == 0)
    rc = verb_platform();
  else if (strcmp(argv[i], "windows") == 0)
    rc = verb_windows(argc - i - 1, argv + i + 1);
  else if (strcmp(argv[i], "post") == 0)
    rc = verb_message(1, argc - i - 1, argv + i + 1);
  else if (strcmp(argv[i], "send") == 0)
    rc = verb_message(0, argc - i - 1, argv + i + 1);
  else if (strcmp(argv[i], "broadcast") == 0)
    rc = verb_broadcast(argc - i - 1, argv + i + 1);
  else if (strcmp(argv[i], "traydelete") == 0)
    rc = verb_traydelete(argc - i - 1, argv + i + 1);
  else if (strcmp(argv[i], "profileint") == 0)
    rc = verb_profileint(argc - i - 1, argv + i + 1);
  else
    rc = usage();
  fclose(out);
  return rc;
}
