#include "app/WindowActivation.h"

#include "app/ActivationToken.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter
{
    void operator()(void* reply) const { std::free(reply); }
};

xcb_atom_t internedAtom(xcb_connection_t* connection, const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Launchers record the time of the user's click in the id ("…_TIME<timestamp>"); the window
// manager lets the window take the focus when that click came after the user's last action in
// the window that has it.
xcb_timestamp_t launchTime(const QByteArray& startupID)
{
    const qsizetype marker = startupID.lastIndexOf("_TIME");
    bool isNumber = false;
    const uint time = marker < 0 ? 0 : startupID.mid(marker + 5).toUInt(&isNumber);
    return isNumber ? time : xcb_timestamp_t(XCB_CURRENT_TIME);
}

void sendToRoot(xcb_connection_t* connection, xcb_window_t root, std::uint32_t eventMask,
                const xcb_client_message_event_t& message)
{
    xcb_send_event(connection, 0, root, eventMask, reinterpret_cast<const char*>(&message));
}

// Ends the launcher's busy feedback for this launch: the "remove" message of the startup
// notification protocol, sent in 20-byte pieces as the protocol requires.
void sendStartupRemoval(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                        const QByteArray& startupID)
{
    QByteArray escaped = startupID;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    const QByteArray text = "remove: ID=\"" + escaped + "\"";
    const xcb_atom_t begin = internedAtom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = internedAtom(connection, "_NET_STARTUP_INFO");
    // The terminating NUL travels too: it tells the receiver the message is complete.
    for (qsizetype offset = 0; offset <= text.size(); offset += 20) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 8;
        message.window = window;
        message.type = offset == 0 ? begin : more;
        const qsizetype length = std::min<qsizetype>(20, text.size() + 1 - offset);
        std::memcpy(message.data.data8, text.constData() + offset, std::size_t(length));
        sendToRoot(connection, root, XCB_EVENT_MASK_PROPERTY_CHANGE, message);
    }
}

// What a freshly launched window does with its startup id, done for a window that already
// exists: the id on the window, an activation request carrying the launch's time, and the end
// of the launch feedback. False when this is no X11 session.
bool activateOnX11(QWidget& widget, const QByteArray& startupID)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return false;
    }
    xcb_connection_t* connection = x11->connection();
    const auto window = xcb_window_t(widget.winId());
    const std::unique_ptr<xcb_get_geometry_reply_t, FreeDeleter> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry) {
        return false;
    }

    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, internedAtom(connection, "_NET_STARTUP_ID"),
                        internedAtom(connection, "UTF8_STRING"), 8, std::uint32_t(startupID.size()),
                        startupID.constData());

    xcb_client_message_event_t activate{};
    activate.response_type = XCB_CLIENT_MESSAGE;
    activate.format = 32;
    activate.window = window;
    activate.type = internedAtom(connection, "_NET_ACTIVE_WINDOW");
    activate.data.data32[0] = 1; // the request comes from an application
    activate.data.data32[1] = launchTime(startupID);
    sendToRoot(connection, geometry->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
               activate);

    sendStartupRemoval(connection, geometry->root, window, startupID);
    xcb_flush(connection);
    return true;
}

} // namespace

void WindowActivation::bringToFront(QWidget& window, const ActivationToken& token)
{
    window.show();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    // Launchers on Wayland hand one token under both names; an X11 window (Kovara under
    // XWayland) uses it as its startup id.
    const QString startupID = token.desktopStartupID.isEmpty() ? token.xdgActivationToken : token.desktopStartupID;
    if (QGuiApplication::platformName() == QStringLiteral("xcb") && !startupID.isEmpty() &&
        activateOnX11(window, startupID.toUtf8())) {
        return;
    }
    if (token.xdgActivationToken.isEmpty()) {
        window.activateWindow();
        return;
    }
    // Qt's Wayland plugin activates a window with the token it finds here (xdg-activation-v1).
    // It consumes the token only where the compositor offers that protocol; elsewhere (Weston,
    // for one) activation quietly does nothing, and the spent token must not stay behind for the
    // programs Kovara starts later.
    qputenv("XDG_ACTIVATION_TOKEN", token.xdgActivationToken.toUtf8());
    window.activateWindow();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}
