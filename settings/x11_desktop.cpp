#include "x11_desktop.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace wendra::x11 {
namespace {

constexpr std::uint32_t kIconicState = 3;  // WM_STATE

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <class Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

xcb_connection_t* connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
  return screens.rem > 0 ? screens.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit items of a window property; empty when it is absent.
std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
  ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr));
  if (!reply || reply->format != 32) return {};
  const auto* items = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return std::vector<std::uint32_t>(items, items + xcb_get_property_value_length(reply.get()) / 4);
}

xcb_window_t nativeWindow(const QWindow* window) {
  return window && window->handle() ? static_cast<xcb_window_t>(window->winId()) : xcb_window_t(XCB_WINDOW_NONE);
}

std::optional<QMargins> extentsOf(xcb_connection_t* c, xcb_window_t window) {
  const std::vector<std::uint32_t> extents = property32(c, window, atom(c, "_NET_FRAME_EXTENTS"));
  if (extents.size() < 4) return std::nullopt;
  // left, right, top, bottom
  return QMargins(int(extents[0]), int(extents[2]), int(extents[1]), int(extents[3]));
}

}  // namespace

bool available() { return connection() != nullptr; }

bool windowManagerRunning() {
  xcb_connection_t* c = connection();
  if (!c) return false;
  const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
  const std::vector<std::uint32_t> named = property32(c, rootWindow(c), check);
  if (named.empty() || named[0] == XCB_WINDOW_NONE) return false;
  // A window manager that died leaves a stale name behind; a live one names
  // the check window on the check window itself.
  const std::vector<std::uint32_t> self = property32(c, named[0], check);
  return !self.empty() && self[0] == named[0];
}

std::optional<WindowManagerState> windowManagerState(const QWindow* window) {
  xcb_connection_t* c = connection();
  const xcb_window_t id = nativeWindow(window);
  if (!c || id == XCB_WINDOW_NONE) return std::nullopt;
  WindowManagerState state;
  const xcb_atom_t vertical = atom(c, "_NET_WM_STATE_MAXIMIZED_VERT");
  const xcb_atom_t horizontal = atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ");
  const xcb_atom_t fullScreen = atom(c, "_NET_WM_STATE_FULLSCREEN");
  const xcb_atom_t hidden = atom(c, "_NET_WM_STATE_HIDDEN");
  for (std::uint32_t flag : property32(c, id, atom(c, "_NET_WM_STATE"))) {
    state.maximizedVertically |= flag == vertical;
    state.maximizedHorizontally |= flag == horizontal;
    state.fullScreen |= flag == fullScreen;
    state.hidden |= flag == hidden;
  }
  const std::vector<std::uint32_t> wmState = property32(c, id, atom(c, "WM_STATE"));
  state.hidden |= !wmState.empty() && wmState[0] == kIconicState;
  return state;
}

std::optional<QMargins> frameExtents(const QWindow* window) {
  xcb_connection_t* c = connection();
  const xcb_window_t id = nativeWindow(window);
  if (!c || id == XCB_WINDOW_NONE) return std::nullopt;
  return extentsOf(c, id);
}

std::optional<QMargins> requestFrameExtents(const QWindow* window, int timeoutMs) {
  xcb_connection_t* c = connection();
  const xcb_window_t id = nativeWindow(window);
  if (!c || id == XCB_WINDOW_NONE || !windowManagerRunning()) return std::nullopt;
  if (std::optional<QMargins> known = extentsOf(c, id)) return known;

  xcb_client_message_event_t request;
  std::memset(&request, 0, sizeof request);
  request.response_type = XCB_CLIENT_MESSAGE;
  request.format = 32;
  request.window = id;
  request.type = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  xcb_send_event(c, 0, rootWindow(c),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&request));
  xcb_flush(c);
  // The answer is a property on the window; the events stay Qt's to read.
  constexpr int kPollMs = 5;
  for (int waited = 0; waited < timeoutMs; waited += kPollMs) {
    if (std::optional<QMargins> extents = extentsOf(c, id)) return extents;
    QThread::msleep(kPollMs);
  }
  return std::nullopt;
}

void moveUnmapped(const QWindow* window, QPoint corner) {
  xcb_connection_t* c = connection();
  const xcb_window_t id = nativeWindow(window);
  if (!c || id == XCB_WINDOW_NONE) return;
  const std::uint32_t values[] = {std::uint32_t(corner.x()), std::uint32_t(corner.y())};
  xcb_configure_window(c, id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
  xcb_flush(c);
}

std::optional<QPoint> clientOrigin(const QWindow* window) {
  xcb_connection_t* c = connection();
  const xcb_window_t id = nativeWindow(window);
  if (!c || id == XCB_WINDOW_NONE) return std::nullopt;
  ReplyPointer<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, id, rootWindow(c), 0, 0), nullptr));
  if (!reply) return std::nullopt;
  return QPoint(reply->dst_x, reply->dst_y);
}

}  // namespace wendra::x11
