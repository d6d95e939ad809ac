// SPDX-License-Identifier: GPL-3.0-or-later
/* Drags files onto an X window and drops them there, as a file manager does
 * (the XDND protocol with a text/uri-list): what a Wine program receives as
 * WM_DROPFILES. Usage: xdnd_drop WINDOW ROOT_X ROOT_Y FILE...
 * Ends 0 when the target accepted and finished the drop, 1 otherwise. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display* display;
static Window source;

static void send(Window target, Atom type, long l1, long l2, long l3, long l4) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = target;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)source;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(display, target, False, NoEventMask, &event);
  XFlush(display);
}

/* file:// address of a path, every byte outside the unreserved set escaped. */
static void appendUri(char* out, const char* path) {
  strcat(out, "file://");
  char* end = out + strlen(out);
  for (const unsigned char* c = (const unsigned char*)path; *c != 0; ++c) {
    if ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') ||
        strchr("/-_.~", *c) != NULL) {
      *end++ = (char)*c;
    } else {
      end += sprintf(end, "%%%02X", *c);
    }
  }
  strcpy(end, "\r\n");
}

int main(int argc, char** argv) {
  if (argc < 5) {
    fputs("usage: xdnd_drop WINDOW ROOT_X ROOT_Y FILE...\n", stderr);
    return 2;
  }
  display = XOpenDisplay(NULL);
  if (display == NULL) return 2;
  const Window target = (Window)strtoul(argv[1], NULL, 0);
  const long x = atol(argv[2]);
  const long y = atol(argv[3]);
  static char uris[65536];
  for (int i = 4; i < argc; ++i) appendUri(uris, argv[i]);

  const Atom aware = XInternAtom(display, "XdndAware", False);
  const Atom enter = XInternAtom(display, "XdndEnter", False);
  const Atom position = XInternAtom(display, "XdndPosition", False);
  const Atom status = XInternAtom(display, "XdndStatus", False);
  const Atom drop = XInternAtom(display, "XdndDrop", False);
  const Atom finished = XInternAtom(display, "XdndFinished", False);
  const Atom selection = XInternAtom(display, "XdndSelection", False);
  const Atom copy = XInternAtom(display, "XdndActionCopy", False);
  const Atom uriList = XInternAtom(display, "text/uri-list", False);

  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = NULL;
  if (XGetWindowProperty(display, target, aware, 0, 1, False, XA_ATOM, &type, &format, &count,
                         &after, &data) != Success ||
      count == 0) {
    fputs("xdnd_drop: the window takes no drops\n", stderr);
    return 1;
  }
  long version = *(long*)data;
  XFree(data);
  if (version > 5) version = 5;

  source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, selection, source, CurrentTime);
  send(target, enter, version << 24, (long)uriList, 0, 0);
  send(target, position, 0, (x << 16) | y, CurrentTime, (long)copy);

  int dropped = 0;
  const time_t limit = time(NULL) + 20;
  while (time(NULL) < limit) {
    if (XPending(display) == 0) {
      struct timespec pause = {0, 20 * 1000 * 1000};
      nanosleep(&pause, NULL);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionRequest) {
      XSelectionRequestEvent* request = &event.xselectionrequest;
      XEvent reply;
      memset(&reply, 0, sizeof reply);
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = request->requestor;
      reply.xselection.selection = request->selection;
      reply.xselection.target = request->target;
      reply.xselection.time = request->time;
      reply.xselection.property = None;
      if (request->target == uriList) {
        XChangeProperty(display, request->requestor, request->property, uriList, 8, PropModeReplace,
                        (unsigned char*)uris, (int)strlen(uris));
        reply.xselection.property = request->property;
      }
      XSendEvent(display, request->requestor, False, NoEventMask, &reply);
      XFlush(display);
    } else if (event.type == ClientMessage && event.xclient.message_type == status && !dropped) {
      if ((event.xclient.data.l[1] & 1) == 0) {
        fputs("xdnd_drop: the window refused the drop\n", stderr);
        return 1;
      }
      send(target, drop, 0, CurrentTime, 0, 0);
      dropped = 1;
    } else if (event.type == ClientMessage && event.xclient.message_type == finished) {
      return 0;
    }
  }
  fputs("xdnd_drop: no answer from the window\n", stderr);
  return 1;
}
