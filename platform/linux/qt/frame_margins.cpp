#include "platform/linux/qt/frame_margins.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <thread>

#ifdef AUXLINE_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#endif

namespace {

#ifdef AUXLINE_HAVE_XCB

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
  const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
      nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// True when the window manager lists the atom in _NET_SUPPORTED on the root window.
bool ManagerSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t atom) {
  const xcb_atom_t supported = Atom(connection, "_NET_SUPPORTED");
  const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096),
      nullptr));
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  for (int i = 0; i < count; ++i) {
    if (atoms[i] == atom) return true;
  }
  return false;
}

// The manager gives the frame in device pixels; the window is placed in device-independent
// pixels, which differ when the desktop is scaled.
std::optional<QMargins> FrameExtents(xcb_connection_t* connection, xcb_window_t window,
                                     xcb_atom_t extents, qreal devicePixelRatio) {
  const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4),
      nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
    return std::nullopt;
  const auto* value = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  // Order on the wire: left, right, top, bottom.
  const QMarginsF frame(value[0], value[2], value[1], value[3]);
  return (frame / devicePixelRatio).toMargins();
}

// Asks the window manager for the frame of the unmapped window and waits briefly for the
// answer. Nothing without an X11 connection; no frame without a manager that answers.
std::optional<QMargins> X11FrameMargins(QWidget& standIn) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  const auto window = static_cast<xcb_window_t>(standIn.winId());
  const ReplyPtr<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
  if (!tree) return QMargins();
  const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
  if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE ||
      !ManagerSupports(connection, tree->root, request)) {
    return QMargins();  // no window manager that frames windows this way: no frame
  }

  xcb_client_message_event_t message;
  std::memset(&message, 0, sizeof message);
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = request;
  xcb_send_event(connection, 0, tree->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);

  using namespace std::chrono_literals;
  const auto deadline = std::chrono::steady_clock::now() + 500ms;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const std::optional<QMargins> margins =
            FrameExtents(connection, window, extents, standIn.devicePixelRatioF())) {
      return margins;
    }
    std::this_thread::sleep_for(5ms);
  }
  return QMargins();
}

#endif  // AUXLINE_HAVE_XCB

}  // namespace

QMargins ExpectedFrameMargins(Qt::WindowFlags flags, QSize clientSize) {
  QWidget standIn(nullptr, flags);
  standIn.setFixedSize(clientSize);
#ifdef AUXLINE_HAVE_XCB
  if (const std::optional<QMargins> margins = X11FrameMargins(standIn)) return *margins;
#endif
  (void)standIn.winId();
  return standIn.windowHandle() != nullptr ? standIn.windowHandle()->frameMargins() : QMargins();
}
