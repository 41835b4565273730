#include "AtspiSupport.h"

#include <QHash>

#include <dbus/dbus.h>

namespace Atspi {

QString takeString(gchar* text)
{
    const Owned<gchar> owned(text);
    return text ? QString::fromUtf8(text) : QString();
}

QByteArray busName(AtspiAccessible* accessible)
{
    if (!accessible || !accessible->parent.app || !accessible->parent.app->bus_name)
        return {};
    return QByteArray(accessible->parent.app->bus_name);
}

bool ping(const QByteArray& busName, int timeoutMs)
{
    DBusConnection* bus = atspi_get_a11y_bus();
    if (!bus || busName.isEmpty())
        return false;
    DBusMessage* message =
        dbus_message_new_method_call(busName.constData(), "/", "org.freedesktop.DBus.Peer", "Ping");
    if (!message)
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, message, timeoutMs, &error);
    dbus_message_unref(message);
    const bool answered = reply != nullptr;
    if (reply)
        dbus_message_unref(reply);
    dbus_error_free(&error);
    return answered;
}

bool hasState(AtspiAccessible* accessible, AtspiStateType state)
{
    const Ref<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
    return states && atspi_state_set_contains(states.get(), state);
}

bool implements(AtspiAccessible* accessible, const char* interfaceName)
{
    GArray* interfaces = atspi_accessible_get_interfaces(accessible);
    if (!interfaces)
        return false;
    bool found = false;
    for (guint i = 0; i < interfaces->len; ++i) {
        gchar* name = g_array_index(interfaces, gchar*, i);
        found = found || (name && qstrcmp(name, interfaceName) == 0);
        g_free(name);
    }
    g_array_free(interfaces, TRUE);
    return found;
}

QString roleName(AtspiRole role, bool multiLine, bool grid)
{
    switch (role) {
    case ATSPI_ROLE_TEXT:
        return multiLine ? QStringLiteral("AXTextArea") : QStringLiteral("AXTextField");
    case ATSPI_ROLE_TERMINAL:
        return QStringLiteral("AXTextArea");
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_PASSWORD_TEXT:
        return QStringLiteral("AXTextField");
    case ATSPI_ROLE_DOCUMENT_WEB:
        return QStringLiteral("AXWebArea");
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_DOCUMENT_EMAIL:
    case ATSPI_ROLE_DOCUMENT_SPREADSHEET:
        return QStringLiteral("AXDocument");
    case ATSPI_ROLE_DOCUMENT_PRESENTATION:
    case ATSPI_ROLE_DRAWING_AREA:
        return QStringLiteral("AXLayoutArea");
    case ATSPI_ROLE_SCROLL_PANE:
    case ATSPI_ROLE_VIEWPORT:
        return QStringLiteral("AXScrollArea");
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_GROUPING:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_LANDMARK:
        return QStringLiteral("AXGroup");
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_CAPTION:
        return QStringLiteral("AXStaticText");
    case ATSPI_ROLE_TABLE:
        return grid ? QStringLiteral("AXGrid") : QStringLiteral("AXTable");
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_TREE_TABLE:
        return QStringLiteral("AXOutline");
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return QStringLiteral("AXList");
    case ATSPI_ROLE_IMAGE:
        return QStringLiteral("AXImage");
    case ATSPI_ROLE_CANVAS:
        return QStringLiteral("AXCanvas");
    case ATSPI_ROLE_PAGE:
        return QStringLiteral("AXPage");
    case ATSPI_ROLE_UNKNOWN:
        return QStringLiteral("AXUnknown");
    case ATSPI_ROLE_APPLICATION:
        return QStringLiteral("AXApplication");
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
        return QStringLiteral("AXWindow");
    default:
        break;
    }
    // Any other role, named after AT-SPI ("push button" -> "AXPushButton"); these
    // names are in none of the capture rules' role sets.
    const Owned<gchar> raw(atspi_role_get_name(role));
    QString name = QStringLiteral("AX");
    bool upper = true;
    for (const QChar c : QString::fromUtf8(raw ? raw.get() : "other")) {
        if (!c.isLetterOrNumber()) {
            upper = true;
            continue;
        }
        name += upper ? c.toUpper() : c;
        upper = false;
    }
    return name;
}

bool isBlock(AtspiRole role, const QString& display)
{
    if (!display.isEmpty())
        return !display.startsWith(QStringLiteral("inline"));
    switch (role) {
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_FOOTER:
    case ATSPI_ROLE_HEADER:
    case ATSPI_ROLE_CAPTION:
        return true;
    default:
        return false;
    }
}

} // namespace Atspi
