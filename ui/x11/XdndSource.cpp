#include "ui/x11/XdndSource.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>

namespace velmora::ui {

namespace {

using Clock = std::chrono::steady_clock;
// A drag is given up when the pointer has not moved for a minute (a lost button release), and a
// drop when the target has not finished 5 s after it.
constexpr auto kIdleLimit = std::chrono::seconds(60), kDropLimit = std::chrono::seconds(5);
constexpr long kVersion = 5;

struct Atoms {
  explicit Atoms(Display* d)
      : aware(XInternAtom(d, "XdndAware", False)), selection(XInternAtom(d, "XdndSelection", False)),
        enter(XInternAtom(d, "XdndEnter", False)), position(XInternAtom(d, "XdndPosition", False)),
        status(XInternAtom(d, "XdndStatus", False)), leave(XInternAtom(d, "XdndLeave", False)),
        drop(XInternAtom(d, "XdndDrop", False)), finished(XInternAtom(d, "XdndFinished", False)),
        copy(XInternAtom(d, "XdndActionCopy", False)), uriList(XInternAtom(d, "text/uri-list", False)),
        targets(XInternAtom(d, "TARGETS", False)) {}
  Atom aware, selection, enter, position, status, leave, drop, finished, copy, uriList, targets;
};

// The protocol version `window` takes drops with; 0 when it takes none.
long awareVersion(Display* d, Window window, const Atoms& a) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long version = 0;
  if (XGetWindowProperty(d, window, a.aware, 0, 1, False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
      data) {
    if (type == XA_ATOM && format == 32 && count == 1) version = *reinterpret_cast<const long*>(data);
    XFree(data);
  }
  return version;
}

// The outermost drop-aware window under the root point (top-level windows carry the property),
// with its version; None when no window there takes drops.
Window targetAt(Display* d, Window root, int x, int y, const Atoms& a, long& version) {
  Window from = root;
  for (int depth = 0; depth < 32; ++depth) {
    Window child = None;
    int atX = 0, atY = 0;
    if (!XTranslateCoordinates(d, root, from, x, y, &atX, &atY, &child)) return None;
    if (from != root)
      if ((version = awareVersion(d, from, a)) > 0) return from;
    if (child == None) return None;
    from = child;
  }
  return None;
}

void sendMessage(Display* d, Window to, Atom type, long l0, long l1, long l2 = 0, long l3 = 0, long l4 = 0) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = d;
  event.xclient.window = to;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(d, to, False, NoEventMask, &event);
}

// Answers a request for the drag's data: the URI list, or the list of targets offered.
void answer(Display* d, const XSelectionRequestEvent& request, const Atoms& a, const std::string& uriList) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = d;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.time = request.time;
  reply.xselection.property = None;
  const Atom property = request.property != None ? request.property : request.target;
  if (request.target == a.uriList) {
    XChangeProperty(d, request.requestor, property, a.uriList, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(uriList.data()), static_cast<int>(uriList.size()));
    reply.xselection.property = property;
  } else if (request.target == a.targets) {
    const Atom offered[] = {a.targets, a.uriList};
    XChangeProperty(d, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(offered), 2);
    reply.xselection.property = property;
  }
  XSendEvent(d, request.requestor, False, NoEventMask, &reply);
}

// The next event, waiting at most `limit`; false when none came.
bool nextEvent(Display* d, XEvent& event, std::chrono::milliseconds limit) {
  XFlush(d);
  if (XPending(d) == 0) {
    pollfd connection{ConnectionNumber(d), POLLIN, 0};
    if (poll(&connection, 1, static_cast<int>(limit.count())) <= 0 || XPending(d) == 0) return false;
  }
  XNextEvent(d, &event);
  return true;
}

}  // namespace

std::string fileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
        std::string_view("-._~/").find(c) != std::string_view::npos) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

platform::DragResult dragFileOut(Display* d, Window source, const std::string& path) {
  if (path.empty() || path.front() != '/') return platform::DragResult::kFailed;
  const Atoms a(d);
  const std::string uriList = fileUri(path) + "\r\n";
  XSetSelectionOwner(d, a.selection, source, CurrentTime);
  if (XGetSelectionOwner(d, a.selection) != source) return platform::DragResult::kFailed;
  // The pointer is held by the press that started the drag; the grab keeps it with us past the
  // window's edge, and the keyboard grab brings Escape.
  XGrabPointer(d, source, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None, None,
               CurrentTime);
  XGrabKeyboard(d, source, False, GrabModeAsync, GrabModeAsync, CurrentTime);

  const Window root = DefaultRootWindow(d);
  Window target = None;
  long version = 0;
  bool accepted = false, awaitingStatus = false, moved = false, dropped = false, read = false, done = false;
  int rootX = 0, rootY = 0;
  Time when = CurrentTime;
  XEvent release{};
  bool released = false;
  platform::DragResult result = platform::DragResult::kCancelled;
  auto deadline = Clock::now() + kIdleLimit;
  const auto sendPosition = [&] {
    sendMessage(d, target, a.position, static_cast<long>(source), 0, (rootX << 16) | (rootY & 0xFFFF),
                static_cast<long>(when), static_cast<long>(a.copy));
    awaitingStatus = true;
    moved = false;
  };
  const auto leave = [&] {
    if (target != None) sendMessage(d, target, a.leave, static_cast<long>(source), 0);
    target = None;
  };

  while (!done) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    XEvent event;
    if (left.count() <= 0) {
      if (!dropped) leave();
      result = dropped && read ? platform::DragResult::kDropped : platform::DragResult::kCancelled;
      break;
    }
    if (!nextEvent(d, event, std::min(left, std::chrono::milliseconds(100)))) continue;
    switch (event.type) {
      case MotionNotify: {
        if (dropped) break;
        rootX = event.xmotion.x_root, rootY = event.xmotion.y_root, when = event.xmotion.time;
        deadline = Clock::now() + kIdleLimit;
        long found = 0;
        const Window under = targetAt(d, root, rootX, rootY, a, found);
        if (under != target) {
          leave();
          target = under;
          version = std::min(found, kVersion);
          accepted = awaitingStatus = false;
          if (target != None)
            sendMessage(d, target, a.enter, static_cast<long>(source), version << 24, static_cast<long>(a.uriList));
        }
        if (target == None) break;
        // One position at a time: the next waits for the target's status.
        if (awaitingStatus) moved = true;
        else sendPosition();
        break;
      }
      case ClientMessage:
        if (event.xclient.message_type == a.status && static_cast<Window>(event.xclient.data.l[0]) == target) {
          accepted = (event.xclient.data.l[1] & 1) != 0;
          awaitingStatus = false;
          if (moved && !dropped) sendPosition();
        } else if (event.xclient.message_type == a.finished && dropped) {
          const bool tookIt = version < 5 || (event.xclient.data.l[1] & 1) != 0;
          result = tookIt && read ? platform::DragResult::kDropped : platform::DragResult::kCancelled;
          done = true;
        }
        break;
      case ButtonRelease:
        if (event.xbutton.button != Button1 || dropped) break;
        release = event;
        released = true;
        if (target != None && accepted) {
          sendMessage(d, target, a.drop, static_cast<long>(source), 0, static_cast<long>(event.xbutton.time));
          dropped = true;
          deadline = Clock::now() + kDropLimit;
        } else {
          leave();
          done = true;
        }
        break;
      case KeyPress:
        if (XLookupKeysym(&event.xkey, 0) == XK_Escape && !dropped) {
          leave();
          done = true;
        }
        break;
      case SelectionRequest:
        if (event.xselectionrequest.selection == a.selection) {
          answer(d, event.xselectionrequest, a, uriList);
          read = read || event.xselectionrequest.target == a.uriList;
        }
        break;
      default: break;
    }
  }
  // Later requests find no owner and are refused by the server.
  XSetSelectionOwner(d, a.selection, None, CurrentTime);
  XUngrabKeyboard(d, CurrentTime);
  XUngrabPointer(d, CurrentTime);
  if (released) XPutBackEvent(d, &release);
  XFlush(d);
  return result;
}

}  // namespace velmora::ui
