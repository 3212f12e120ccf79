/* The scene of the magnifier race (scripts/race): a native X11 program, built for the host.
 *
 *   race_scene scene [--animate] [--move] [--mark] CX CY
 *       Puts a picture on the root window and keeps running until it is ended (SIGTERM).
 *       CX, CY: the centre of the magnified area; the pointer is put there.
 *       --animate  the area around the centre changes every 5 ms (a pattern shifted by a
 *                  pixel each time), so every frame of either magnifier sees a new picture;
 *       --move     the pointer moves by a pixel every 5 ms around a 32-pixel square about
 *                  the centre;
 *       --mark     a plain square of 240 x 240 in the colour 0xFF00FF is drawn about the
 *                  centre (for the first-picture watch).
 *
 *   race_scene watch X Y -- COMMAND [ARG...]
 *       Starts COMMAND and watches the 8 x 8 pixels at X, Y of the screen every millisecond.
 *       Prints "window MS picture MS": the time from the start of COMMAND to the first
 *       change of those pixels, and to the moment all of them are 0xFF00FF. Gives up after
 *       30 s (exit code 1). COMMAND keeps running; its process id is printed first
 *       ("pid N").
 */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

enum { kTile = 64, kArea = 240, kMark = 0xFF00FF };

static volatile sig_atomic_t g_stop = 0;
static void OnStop(int sig) {
  (void)sig;
  g_stop = 1;
}

static double NowMs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static unsigned long Rgb(Display* dpy, unsigned r, unsigned g, unsigned b) {
  XColor c = {0};
  c.red = (unsigned short)(r * 257);
  c.green = (unsigned short)(g * 257);
  c.blue = (unsigned short)(b * 257);
  XAllocColor(dpy, DefaultColormap(dpy, DefaultScreen(dpy)), &c);
  return c.pixel;
}

/* A picture with detail at every pixel: colour ramps crossed by a one-pixel grid. */
static Pixmap MakePattern(Display* dpy, Window root, int w, int h, int depth) {
  Pixmap pm = XCreatePixmap(dpy, root, (unsigned)w, (unsigned)h, (unsigned)depth);
  XImage* img = XGetImage(dpy, pm, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned r = (unsigned)(x * 255 / (w - 1)), g = (unsigned)(y * 255 / (h - 1));
      unsigned b = (unsigned)(((x / 8) ^ (y / 8)) & 1 ? 200 : 40);
      if (x % 16 == 0 || y % 16 == 0) r = g = b = (x + y) % 32 ? 0 : 255;
      XPutPixel(img, x, y, (r << 16) | (g << 8) | b);
    }
  GC gc = XCreateGC(dpy, pm, 0, NULL);
  XPutImage(dpy, pm, gc, img, 0, 0, 0, 0, (unsigned)w, (unsigned)h);
  XFreeGC(dpy, gc);
  XDestroyImage(img);
  return pm;
}

static int Scene(int argc, char** argv) {
  int animate = 0, move = 0, mark = 0, i = 0;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    if (!strcmp(argv[i], "--animate")) animate = 1;
    else if (!strcmp(argv[i], "--move")) move = 1;
    else if (!strcmp(argv[i], "--mark")) mark = 1;
    else return fprintf(stderr, "race_scene: unknown option %s\n", argv[i]), 2;
  }
  if (argc - i != 2) return fprintf(stderr, "race_scene scene: CX CY expected\n"), 2;
  const int cx = atoi(argv[i]), cy = atoi(argv[i + 1]);

  Display* dpy = XOpenDisplay(NULL);
  if (!dpy) return fprintf(stderr, "race_scene: no display\n"), 1;
  const int screen = DefaultScreen(dpy);
  const Window root = RootWindow(dpy, screen);
  const int depth = DefaultDepth(dpy, screen);
  const int sw = DisplayWidth(dpy, screen), sh = DisplayHeight(dpy, screen);

  /* The still picture: the root window's background. */
  Pixmap background = MakePattern(dpy, root, sw, sh, depth);
  /* What moves under the centre: a pattern twice the area's size, shown shifted. */
  Pixmap moving = MakePattern(dpy, root, 2 * kArea, 2 * kArea, depth);
  XGCValues values;
  values.subwindow_mode = ClipByChildren; /* never over the magnifiers' windows */
  GC gc = XCreateGC(dpy, root, GCSubwindowMode, &values);
  if (mark) {
    XSetForeground(dpy, gc, Rgb(dpy, 255, 0, 255));
    XFillRectangle(dpy, background, gc, cx - kArea / 2, cy - kArea / 2, kArea, kArea);
  }
  XSetWindowBackgroundPixmap(dpy, root, background);
  XClearWindow(dpy, root);
  XWarpPointer(dpy, None, root, 0, 0, 0, 0, cx, cy);
  XSync(dpy, False);

  signal(SIGTERM, OnStop);
  signal(SIGINT, OnStop);
  struct timespec next;
  clock_gettime(CLOCK_MONOTONIC, &next);
  long step = 0;
  while (!g_stop && (animate || move)) {
    ++step;
    if (animate) {
      const int shift = (int)(step % kArea);
      XCopyArea(dpy, moving, root, gc, shift, (shift * 3) % kArea, kArea, kArea, cx - kArea / 2,
                cy - kArea / 2);
    }
    if (move) {
      /* 32 steps along each side of the square. */
      const int k = (int)(step % 128), side = k / 32, along = k % 32;
      int dx = 0, dy = 0;
      switch (side) {
        case 0: dx = along; dy = 0; break;
        case 1: dx = 32; dy = along; break;
        case 2: dx = 32 - along; dy = 32; break;
        default: dx = 0; dy = 32 - along; break;
      }
      XWarpPointer(dpy, None, root, 0, 0, 0, 0, cx - 16 + dx, cy - 16 + dy);
    }
    XFlush(dpy);
    next.tv_nsec += 5000000;
    if (next.tv_nsec >= 1000000000) {
      next.tv_nsec -= 1000000000;
      ++next.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL) == EINTR && !g_stop) {
    }
  }
  while (!g_stop) pause();
  XCloseDisplay(dpy);
  return 0;
}

static int Watch(int argc, char** argv) {
  if (argc < 4 || strcmp(argv[2], "--"))
    return fprintf(stderr, "race_scene watch: X Y -- COMMAND expected\n"), 2;
  const int x = atoi(argv[0]), y = atoi(argv[1]);
  Display* dpy = XOpenDisplay(NULL);
  if (!dpy) return fprintf(stderr, "race_scene: no display\n"), 1;
  const Window root = DefaultRootWindow(dpy);
  enum { kSide = 8 };
  unsigned long first[kSide * kSide];
  XImage* img = XGetImage(dpy, root, x, y, kSide, kSide, AllPlanes, ZPixmap);
  if (!img) return fprintf(stderr, "race_scene: cannot read the screen\n"), 1;
  for (int i = 0; i < kSide * kSide; ++i) first[i] = XGetPixel(img, i % kSide, i / kSide);
  XDestroyImage(img);

  fflush(stdout);
  const double start = NowMs();
  const pid_t child = fork();
  if (child < 0) return perror("fork"), 1;
  if (child == 0) {
    execvp(argv[3], argv + 3);
    perror("race_scene: exec");
    _exit(127);
  }
  printf("pid %d\n", (int)child);
  fflush(stdout);
  double window = -1, picture = -1;
  while (picture < 0 && NowMs() - start < 30000) {
    struct timespec pause_1ms = {0, 1000000};
    nanosleep(&pause_1ms, NULL);
    img = XGetImage(dpy, root, x, y, kSide, kSide, AllPlanes, ZPixmap);
    if (!img) continue;
    int changed = 0, marked = 0;
    for (int i = 0; i < kSide * kSide; ++i) {
      unsigned long p = XGetPixel(img, i % kSide, i / kSide);
      changed += p != first[i];
      marked += (p & 0xFFFFFF) == kMark;
    }
    XDestroyImage(img);
    const double t = NowMs() - start;
    if (changed && window < 0) window = t;
    if (marked == kSide * kSide) picture = t;
  }
  XCloseDisplay(dpy);
  if (picture < 0) return printf("window %.1f picture none\n", window), 1;
  printf("window %.1f picture %.1f\n", window, picture);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 2 && !strcmp(argv[1], "scene")) return Scene(argc - 2, argv + 2);
  if (argc >= 2 && !strcmp(argv[1], "watch")) return Watch(argc - 2, argv + 2);
  fprintf(stderr, "usage: race_scene scene [--animate] [--move] [--mark] CX CY\n"
                  "       race_scene watch X Y -- COMMAND [ARG...]\n");
  return 2;
}
