/* startwait: time a program's start until its main window is on screen.
 *
 * Usage: startwait PROGRAM [ARGS...]
 * Prints "map_ms paint_ms rss_kb": milliseconds from launch to the main
 * window's MapNotify and to its first painted pixels, and the program's
 * resident memory half a second later. The program is then ended.
 *
 * Meant for a bare Xvfb started with -br: without a window manager top-level
 * windows map straight onto the root, and a window that has not painted yet
 * still shows the black root through it.
 */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum {
  MIN_MAIN_SIDE = 300,   /* smaller windows (splash, tooltip, popup) are not the main one */
  PROBE_SIDE = 32,       /* sampled square at the window centre */
  TIMEOUT_MS = 30000,
  SETTLE_MS = 500,       /* let start-up work finish before reading memory */
  TERM_GRACE_MS = 2000,
  MAX_CREATED = 256,
};

static pid_t child = -1;
static int x_error;

static double now_ms(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static void sleep_ms(long ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

/* Windows vanish under us when the program quits; note it rather than die. */
static int on_x_error(Display* dpy, XErrorEvent* e) {
  (void)dpy;
  (void)e;
  x_error = 1;
  return 0;
}

static int child_gone(void) {
  int status;
  if (child > 0 && waitpid(child, &status, WNOHANG) == child) {
    child = -1;
    return 1;
  }
  return 0;
}

static void end_child(void) {
  if (child <= 0) return;
  kill(child, SIGTERM);
  for (int waited = 0; waited < TERM_GRACE_MS; waited += 10) {
    if (child_gone()) return;
    sleep_ms(10);
  }
  kill(child, SIGKILL);
  waitpid(child, NULL, 0);
  child = -1;
}

static void fail(const char* why) {
  fprintf(stderr, "startwait: %s\n", why);
  end_child();
  exit(1);
}

/* Next X event, giving up when the program exits or the deadline passes. */
static void next_event(Display* dpy, XEvent* ev, double deadline) {
  struct pollfd pfd = {ConnectionNumber(dpy), POLLIN, 0};
  while (!XPending(dpy)) {
    if (child_gone()) fail("program exited before showing its window");
    if (now_ms() > deadline) fail("timed out waiting for the window");
    poll(&pfd, 1, 10);
  }
  XNextEvent(dpy, ev);
}

static long vm_rss_kb(pid_t pid) {
  char path[64], line[256];
  long kb = -1;
  snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
  FILE* f = fopen(path, "r");
  if (!f) return -1;
  while (fgets(line, sizeof line, f))
    if (sscanf(line, "VmRSS: %ld", &kb) == 1) break;
  fclose(f);
  return kb;
}

/* True once any pixel of the centre square differs from the root's black. */
static int painted(Display* dpy, Window w, const XWindowAttributes* a) {
  int side_w = a->width < PROBE_SIDE ? a->width : PROBE_SIDE;
  int side_h = a->height < PROBE_SIDE ? a->height : PROBE_SIDE;
  XImage* img = XGetImage(dpy, w, (a->width - side_w) / 2, (a->height - side_h) / 2,
                          side_w, side_h, AllPlanes, ZPixmap);
  if (!img) return 0;
  unsigned long black = BlackPixel(dpy, DefaultScreen(dpy));
  int any = 0;
  for (int y = 0; y < side_h && !any; ++y)
    for (int x = 0; x < side_w && !any; ++x) any = XGetPixel(img, x, y) != black;
  XDestroyImage(img);
  return any;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: startwait PROGRAM [ARGS...]\n");
    return 2;
  }

  /* A program given by path runs in its own folder, as when started from
   * a file manager; one found on PATH keeps the current folder. */
  char program[PATH_MAX], folder[PATH_MAX] = "";
  if (strchr(argv[1], '/')) {
    if (!realpath(argv[1], program)) {
      perror(argv[1]);
      return 2;
    }
    strcpy(folder, program);
    *strrchr(folder, '/') = '\0';
    if (!folder[0]) strcpy(folder, "/");
  } else {
    snprintf(program, sizeof program, "%s", argv[1]);
  }

  Display* dpy = XOpenDisplay(NULL);
  if (!dpy) {
    fprintf(stderr, "startwait: cannot open display\n");
    return 2;
  }
  XSetErrorHandler(on_x_error);
  Window root = DefaultRootWindow(dpy);
  XSelectInput(dpy, root, SubstructureNotifyMask);
  XSync(dpy, False); /* the server must be listening before the program starts */
  fcntl(ConnectionNumber(dpy), F_SETFD, FD_CLOEXEC);

  const double start = now_ms();
  child = fork();
  if (child < 0) {
    perror("fork");
    return 2;
  }
  if (child == 0) {
    /* Our stdout carries only the result line. */
    dup2(STDERR_FILENO, STDOUT_FILENO);
    if (folder[0] && chdir(folder) != 0) _exit(127);
    argv[1] = program;
    execvp(program, argv + 1);
    perror(program);
    _exit(127);
  }

  /* Every top-level window made from here on is the program's: nothing else
   * runs on this display. */
  Window created[MAX_CREATED];
  int n_created = 0;
  Window main_window = None;
  XWindowAttributes attrs;
  double map_ms = 0;
  const double deadline = start + TIMEOUT_MS;
  while (main_window == None) {
    XEvent ev;
    next_event(dpy, &ev, deadline);
    if (ev.type == CreateNotify && ev.xcreatewindow.parent == root && n_created < MAX_CREATED) {
      created[n_created++] = ev.xcreatewindow.window;
    } else if (ev.type == MapNotify) {
      const double at = now_ms();
      Window w = ev.xmap.window;
      int ours = 0;
      for (int i = 0; i < n_created && !ours; ++i) ours = created[i] == w;
      x_error = 0;
      if (ours && XGetWindowAttributes(dpy, w, &attrs) && !x_error &&
          attrs.width >= MIN_MAIN_SIDE && attrs.height >= MIN_MAIN_SIDE) {
        main_window = w;
        map_ms = at - start;
      }
    }
  }

  double paint_ms;
  for (;;) {
    x_error = 0;
    int done = painted(dpy, main_window, &attrs);
    if (x_error) fail("main window went away before it was painted");
    if (done) {
      paint_ms = now_ms() - start;
      break;
    }
    if (child_gone()) fail("program exited before painting its window");
    if (now_ms() > deadline) fail("timed out waiting for the first paint");
    sleep_ms(1);
  }

  sleep_ms(SETTLE_MS);
  if (child_gone()) fail("program exited before its memory was read");
  long rss = vm_rss_kb(child);
  end_child();
  XCloseDisplay(dpy);

  printf("%.1f %.1f %ld\n", map_ms, paint_ms, rss);
  return rss < 0;
}
