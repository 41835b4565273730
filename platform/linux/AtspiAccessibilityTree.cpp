#include "AtspiAccessibilityTree.h"

#include "ApplicationIdentity.h"
#include "AtspiSupport.h"
#include "ScreenSpace.h"

#include <QElapsedTimer>

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>

#include <unistd.h>

using Atspi::Accessible;

namespace {

// The handle of one element; null accessible: the system-wide element.
struct ElementHandle final : AccessibilityElement::Handle
{
    explicit ElementHandle(Accessible object) : accessible(std::move(object)) {}
    Accessible accessible;
};

// A selected range of a web document's own text.
struct MarkerHandle final : AccessibilityElement::Handle
{
    MarkerHandle(Accessible object, int from, int to) : document(std::move(object)), start(from), end(to) {}
    Accessible document;
    int start;
    int end;
};

AtspiAccessible* accessibleOf(const AccessibilityElement& element)
{
    const auto* handle = dynamic_cast<const ElementHandle*>(element.handle());
    return handle ? handle->accessible.get() : nullptr;
}

bool isSystemWide(const AccessibilityElement& element)
{
    const auto* handle = dynamic_cast<const ElementHandle*>(element.handle());
    return handle && !handle->accessible;
}

constexpr char32_t objectReplacement = 0xFFFC;
constexpr qsizetype expandedTextLimit = 65536; // UTF-16 units; longer selections are refused anyway
constexpr int expandedLinkLimit = 2000;
constexpr int expandedDepthLimit = 8;

QRectF nativeRect(const AtspiRect& rect)
{
    return QRectF(rect.x, rect.y, rect.width, rect.height);
}

} // namespace

struct AtspiAccessibilityTree::TextSelection
{
    int start = 0;
    int end = 0;
};

// One libatspi call on behalf of an element's application. It does not run when
// that application did not answer a ping or let a call time out in this capture,
// and a call that takes (nearly) the whole timeout gives the application up. (One
// libatspi call can be several bus calls, each with the full timeout.)
class AtspiAccessibilityTree::Call final
{
public:
    Call(AtspiAccessibilityTree& tree, AtspiAccessible* accessible)
        : m_tree(tree), m_application(Atspi::busName(accessible))
    {
    }

    template <typename F>
    bool run(F&& call)
    {
        if (!m_tree.isResponsive(m_application))
            return false;
        QElapsedTimer timer;
        timer.start();
        call();
        if (timer.elapsed() >= m_tree.m_timeoutMs * 8 / 10)
            m_tree.m_givenUp.insert(m_application);
        return true;
    }

private:
    AtspiAccessibilityTree& m_tree;
    QByteArray m_application;
};

AtspiAccessibilityTree::AtspiAccessibilityTree(std::shared_ptr<X11Desktop> desktop,
                                               std::shared_ptr<AccessibilityBusStatus> bus)
    : m_desktop(std::move(desktop)), m_bus(std::move(bus))
{
}

AtspiAccessibilityTree::~AtspiAccessibilityTree() = default;

bool AtspiAccessibilityTree::ensureConnected()
{
    if (m_connected)
        return true;
    if (!m_bus->isTrusted())
        return false;
    const int status = atspi_init();
    if (status != 0 && status != 1)
        return false;
    atspi_set_timeout(m_timeoutMs, 0);
    m_connected = true;
    return true;
}

bool AtspiAccessibilityTree::isGivenUp(AtspiAccessible* accessible) const
{
    return m_givenUp.contains(Atspi::busName(accessible));
}

bool AtspiAccessibilityTree::isResponsive(const QByteArray& application)
{
    if (m_givenUp.contains(application))
        return false;
    if (m_answered.contains(application))
        return true;
    if (!Atspi::ping(application, m_timeoutMs)) {
        m_givenUp.insert(application);
        return false;
    }
    m_answered.insert(application);
    return true;
}

bool AtspiAccessibilityTree::isProcessTrusted()
{
    return m_bus->isTrusted();
}

bool AtspiAccessibilityTree::isProcessTrustedWithOptions(bool)
{
    // Never switches the desktop's accessibility on: only the user's click in the
    // application's own prompt does (AccessibilityPermissionManager).
    return m_bus->isTrusted();
}

AccessibilityElement AtspiAccessibilityTree::systemWideElement()
{
    return AccessibilityElement(std::make_shared<ElementHandle>(Accessible()));
}

AccessibilityElement AtspiAccessibilityTree::element(AtspiAccessible* accessible) const
{
    return AccessibilityElement(std::make_shared<ElementHandle>(Accessible(accessible)));
}

AXError AtspiAccessibilityTree::setMessagingTimeout(const AccessibilityElement&, double seconds)
{
    if (!(seconds > 0))
        return AXError::illegalArgument;
    m_timeoutMs = static_cast<int>(std::clamp(seconds * 1000, 1.0, 60000.0));
    m_givenUp.clear();
    m_answered.clear();
    m_applicationByPid.clear();
    if (!ensureConnected())
        return AXError::apiDisabled;
    atspi_set_timeout(m_timeoutMs, 0);
    // Start from fresh values: nothing read before this capture is trusted.
    const Accessible desktop(atspi_get_desktop(0));
    if (desktop)
        atspi_accessible_clear_cache(desktop.get());
    return AXError::success;
}

bool AtspiAccessibilityTree::has(AtspiAccessible* accessible, int state)
{
    bool result = false;
    Call(*this, accessible).run([&] { result = Atspi::hasState(accessible, AtspiStateType(state)); });
    return result;
}

bool AtspiAccessibilityTree::implements(AtspiAccessible* accessible, const char* interfaceName)
{
    bool result = false;
    Call(*this, accessible).run([&] { result = Atspi::implements(accessible, interfaceName); });
    return result;
}

QList<AtspiAccessible*> AtspiAccessibilityTree::children(AtspiAccessible* accessible, int limit)
{
    QList<AtspiAccessible*> result;
    Atspi::Error error;
    gint count = 0;
    if (!Call(*this, accessible).run([&] {
            count = atspi_accessible_get_child_count(accessible, error.out());
        }) ||
        error.failed())
        return result;
    for (gint i = 0; i < std::min(count, limit); ++i) {
        AtspiAccessible* child = nullptr;
        if (!Call(*this, accessible).run([&] {
                child = atspi_accessible_get_child_at_index(accessible, i, error.out());
            }))
            break;
        if (child)
            result.append(child);
    }
    return result;
}

AXResult<AtspiAccessible*> AtspiAccessibilityTree::applicationOf(qint32 pid)
{
    const Accessible desktop(atspi_get_desktop(0));
    if (!desktop)
        return std::unexpected(AXError::cannotComplete);
    const QByteArray known = m_applicationByPid.value(pid);
    AtspiAccessible* found = nullptr;
    for (AtspiAccessible* application : children(desktop.get(), applicationLimit)) {
        const Accessible owned(application);
        if (found)
            continue;
        bool matches = !known.isEmpty() && Atspi::busName(application) == known;
        if (known.isEmpty()) {
            Atspi::Error error;
            const guint applicationPid = atspi_accessible_get_process_id(application, error.out());
            matches = !error.failed() && qint64(applicationPid) == pid;
        }
        if (matches)
            found = static_cast<AtspiAccessible*>(g_object_ref(application));
    }
    if (!found)
        found = sandboxedApplicationOf(desktop.get(), pid);
    if (!found)
        return std::unexpected(AXError::noValue);
    m_applicationByPid.insert(pid, Atspi::busName(found));
    return found;
}

AtspiAccessible* AtspiAccessibilityTree::sandboxedApplicationOf(AtspiAccessible* desktop, qint32 pid)
{
    // A Flatpak application talks to the bus through a proxy in its sandbox: the
    // bus reports the proxy's process, which shares the application's sandbox id.
    const std::optional<QString> sandbox = ApplicationIdentity::flatpakIdOfProcess(pid);
    if (!sandbox)
        return nullptr;
    AtspiAccessible* found = nullptr;
    for (AtspiAccessible* application : children(desktop, applicationLimit)) {
        const Accessible owned(application);
        Atspi::Error error;
        const guint applicationPid = atspi_accessible_get_process_id(application, error.out());
        if (!found && !error.failed() && applicationPid <= guint(INT32_MAX) &&
            ApplicationIdentity::flatpakIdOfProcess(qint32(applicationPid)) == sandbox)
            found = static_cast<AtspiAccessible*>(g_object_ref(application));
    }
    return found;
}

AtspiAccessible* AtspiAccessibilityTree::activeFrame(AtspiAccessible* application)
{
    AtspiAccessible* chosen = nullptr;
    for (AtspiAccessible* frame : children(application, childrenLimit)) {
        const Accessible owned(frame);
        if (!chosen && has(frame, ATSPI_STATE_ACTIVE))
            chosen = static_cast<AtspiAccessible*>(g_object_ref(frame));
    }
    return chosen;
}

AtspiAccessible* AtspiAccessibilityTree::frameAt(AtspiAccessible* application, QPointF nativePoint)
{
    // The active frame under the point, else any showing one.
    AtspiAccessible* active = nullptr;
    AtspiAccessible* showing = nullptr;
    for (AtspiAccessible* frame : children(application, childrenLimit)) {
        const Accessible owned(frame);
        if (active || !has(frame, ATSPI_STATE_SHOWING) || !implements(frame, "Component"))
            continue;
        Atspi::Error error;
        gboolean inside = FALSE;
        Call(*this, frame).run([&] {
            inside = atspi_component_contains(ATSPI_COMPONENT(frame), int(nativePoint.x()),
                                              int(nativePoint.y()), ATSPI_COORD_TYPE_SCREEN, error.out());
        });
        if (!inside || error.failed())
            continue;
        if (has(frame, ATSPI_STATE_ACTIVE))
            active = static_cast<AtspiAccessible*>(g_object_ref(frame));
        else if (!showing)
            showing = static_cast<AtspiAccessible*>(g_object_ref(frame));
    }
    if (active) {
        if (showing)
            g_object_unref(showing);
        return active;
    }
    return showing;
}

AtspiAccessible* AtspiAccessibilityTree::focusedIn(AtspiAccessible* frame)
{
    // Collection finds focused elements in one call where the toolkit offers it.
    if (implements(frame, "Collection")) {
        const Atspi::Ref<AtspiStateSet> states(atspi_state_set_new(nullptr));
        atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
        const Atspi::Ref<AtspiMatchRule> rule(atspi_match_rule_new(
            states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, nullptr,
            ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
        Atspi::Error error;
        GArray* matches = nullptr;
        Call(*this, frame).run([&] {
            matches =
                atspi_collection_get_matches(ATSPI_COLLECTION(frame), rule.get(),
                                             ATSPI_Collection_SORT_ORDER_CANONICAL, 8, TRUE, error.out());
        });
        if (matches) {
            AtspiAccessible* chosen = nullptr;
            AtspiAccessible* first = nullptr;
            for (guint i = 0; i < matches->len; ++i) {
                AtspiAccessible* match = g_array_index(matches, AtspiAccessible*, i);
                if (match && sameAccessible(match, frame)) {
                    g_object_unref(match);
                    continue;
                }
                if (!chosen && match && implements(match, "Text"))
                    chosen = static_cast<AtspiAccessible*>(g_object_ref(match));
                if (!first && match)
                    first = static_cast<AtspiAccessible*>(g_object_ref(match));
                if (match)
                    g_object_unref(match);
            }
            g_array_free(matches, TRUE);
            if (chosen) {
                if (first)
                    g_object_unref(first);
                return chosen;
            }
            if (first)
                return first;
        }
        if (isGivenUp(frame))
            return nullptr;
    }

    // A bounded breadth-first walk over what is showing.
    std::deque<Accessible> queue;
    queue.emplace_back(Accessible::retained(frame));
    Accessible firstFocused;
    for (int visited = 0; !queue.empty() && visited < focusSearchNodeLimit && !isGivenUp(frame); ++visited) {
        const Accessible node = std::move(queue.front());
        queue.pop_front();
        Atspi::Ref<AtspiStateSet> states;
        Call(*this, node.get()).run([&] {
            states = Atspi::Ref<AtspiStateSet>(atspi_accessible_get_state_set(node.get()));
        });
        if (!states)
            continue;
        // The frame itself counts as no focus: nothing inside it has the keyboard.
        if (node.get() != frame && atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED)) {
            if (implements(node.get(), "Text"))
                return static_cast<AtspiAccessible*>(g_object_ref(node.get()));
            if (!firstFocused)
                firstFocused = node;
        }
        if (node.get() != frame && !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING))
            continue;
        if (atspi_state_set_contains(states.get(), ATSPI_STATE_MANAGES_DESCENDANTS))
            continue;
        for (AtspiAccessible* child : children(node.get(), childrenLimit))
            queue.emplace_back(child);
    }
    return firstFocused ? static_cast<AtspiAccessible*>(g_object_ref(firstFocused.get())) : nullptr;
}

AXResult<AXValue> AtspiAccessibilityTree::focusedElement()
{
    const std::optional<X11Desktop::Window> window = m_desktop->activeWindow();
    if (!window)
        return std::unexpected(AXError::noValue);
    const std::optional<qint32> pid = m_desktop->windowPid(*window);
    if (!pid || *pid == getpid())
        return std::unexpected(AXError::noValue);
    const AXResult<AtspiAccessible*> application = applicationOf(*pid);
    if (!application)
        return std::unexpected(application.error());
    const Accessible owned(*application);
    AtspiAccessible* frame = activeFrame(owned.get());
    if (!frame)
        return std::unexpected(isGivenUp(owned.get()) ? AXError::cannotComplete : AXError::noValue);
    const Accessible ownedFrame(frame);
    // The element found last time, while it keeps the focus in the same frame,
    // spares the search (a walk of the tree where the toolkit has no Collection).
    if (AtspiAccessible* last = accessibleOf(m_lastFocused);
        last && sameAccessible(accessibleOf(m_lastFocusFrame), frame)) {
        Atspi::Ref<AtspiStateSet> states;
        Call(*this, last).run([&] {
            states = Atspi::Ref<AtspiStateSet>(atspi_accessible_get_state_set(last));
        });
        if (states && atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED) &&
            atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING) &&
            !atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT))
            return AXValue{element(static_cast<AtspiAccessible*>(g_object_ref(last)))};
    }
    // Without a focused element there is no selection to read: another widget's
    // selection in the same window is not what the user means.
    AtspiAccessible* focused = focusedIn(frame);
    m_lastFocused =
        focused ? element(static_cast<AtspiAccessible*>(g_object_ref(focused))) : AccessibilityElement();
    m_lastFocusFrame = element(static_cast<AtspiAccessible*>(g_object_ref(frame)));
    if (!focused)
        return std::unexpected(isGivenUp(frame) ? AXError::cannotComplete : AXError::noValue);
    return AXValue{element(focused)};
}

AXResult<int> AtspiAccessibilityTree::role(AtspiAccessible* accessible)
{
    Atspi::Error error;
    AtspiRole value = ATSPI_ROLE_INVALID;
    if (!Call(*this, accessible).run([&] { value = atspi_accessible_get_role(accessible, error.out()); }))
        return std::unexpected(AXError::cannotComplete);
    if (error.failed() || value == ATSPI_ROLE_INVALID)
        return std::unexpected(AXError::failure);
    return int(value);
}

AXResult<AXValue> AtspiAccessibilityTree::roleName(AtspiAccessible* accessible)
{
    const AXResult<int> value = role(accessible);
    if (!value)
        return std::unexpected(value.error());
    const auto atspiRole = AtspiRole(*value);
    bool multiLine = false;
    bool grid = false;
    if (atspiRole == ATSPI_ROLE_TEXT)
        multiLine = has(accessible, ATSPI_STATE_MULTI_LINE);
    if (atspiRole == ATSPI_ROLE_TABLE) {
        Atspi::Error error;
        GHashTable* attributes = nullptr;
        Call(*this, accessible).run([&] {
            attributes = atspi_accessible_get_attributes(accessible, error.out());
        });
        if (attributes) {
            const auto* xmlRoles = static_cast<const char*>(g_hash_table_lookup(attributes, "xml-roles"));
            grid = xmlRoles && qstrcmp(xmlRoles, "grid") == 0;
            g_hash_table_unref(attributes);
        }
    }
    return AXValue{Atspi::roleName(atspiRole, multiLine, grid)};
}

AXResult<AXValue> AtspiAccessibilityTree::parent(AtspiAccessible* accessible)
{
    Atspi::Error error;
    AtspiAccessible* value = nullptr;
    if (!Call(*this, accessible).run([&] { value = atspi_accessible_get_parent(accessible, error.out()); }))
        return std::unexpected(AXError::cannotComplete);
    Accessible owned(value);
    // The walk ends at the application: its parent is the desktop, not part of it.
    if (error.failed() || !value || Atspi::busName(value) != Atspi::busName(accessible))
        return std::unexpected(AXError::noValue);
    return AXValue{AccessibilityElement(std::make_shared<ElementHandle>(std::move(owned)))};
}

AXResult<AtspiAccessibilityTree::TextSelection>
AtspiAccessibilityTree::textSelection(AtspiAccessible* accessible)
{
    if (!implements(accessible, "Text"))
        return std::unexpected(isGivenUp(accessible) ? AXError::cannotComplete
                                                     : AXError::attributeUnsupported);
    Atspi::Error error;
    gint count = 0;
    if (!Call(*this, accessible).run([&] {
            count = atspi_text_get_n_selections(ATSPI_TEXT(accessible), error.out());
        }))
        return std::unexpected(AXError::cannotComplete);
    if (error.failed())
        return std::unexpected(AXError::failure);
    if (count <= 0)
        return std::unexpected(AXError::noValue);
    Atspi::Owned<AtspiRange> range;
    if (!Call(*this, accessible).run([&] {
            range.reset(atspi_text_get_selection(ATSPI_TEXT(accessible), 0, error.out()));
        }))
        return std::unexpected(AXError::cannotComplete);
    if (error.failed() || !range || range->end_offset <= range->start_offset || range->start_offset < 0)
        return std::unexpected(AXError::noValue);
    return TextSelection{range->start_offset, range->end_offset};
}

AXResult<QString> AtspiAccessibilityTree::text(AtspiAccessible* accessible, int start, int end)
{
    Atspi::Error error;
    gchar* raw = nullptr;
    if (!Call(*this, accessible).run([&] {
            raw = atspi_text_get_text(ATSPI_TEXT(accessible), start, end, error.out());
        }))
        return std::unexpected(AXError::cannotComplete);
    QString value = Atspi::takeString(raw);
    if (error.failed() || !raw)
        return std::unexpected(AXError::failure);
    return value;
}

AXResult<QRectF> AtspiAccessibilityTree::rangeBounds(AtspiAccessible* accessible, int start, int end)
{
    if (end <= start || !implements(accessible, "Text"))
        return std::unexpected(AXError::noValue);
    Atspi::Error error;
    Atspi::Owned<AtspiRect> rect;
    Call(*this, accessible).run([&] {
        rect.reset(atspi_text_get_range_extents(ATSPI_TEXT(accessible), start, end, ATSPI_COORD_TYPE_SCREEN,
                                                error.out()));
    });
    QRectF native;
    if (!error.failed() && rect && rect->width > 0 && rect->height > 0) {
        native = nativeRect(*rect);
    } else {
        // Some toolkits answer only per character: the first and last characters' union.
        for (const int offset : {start, end - 1}) {
            Atspi::Owned<AtspiRect> character;
            Call(*this, accessible).run([&] {
                character.reset(atspi_text_get_character_extents(ATSPI_TEXT(accessible), offset,
                                                                 ATSPI_COORD_TYPE_SCREEN, error.out()));
            });
            if (!error.failed() && character && character->width >= 0 && character->height > 0)
                native = native.isNull() ? nativeRect(*character) : native.united(nativeRect(*character));
        }
    }
    if (native.isNull())
        return std::unexpected(AXError::noValue);
    return ScreenSpace::rectToLogical(native, ScreenSpace::guiScreens());
}

AXResult<QString> AtspiAccessibilityTree::expandedText(AtspiAccessible* document, int start, int end)
{
    QString out;
    int links = 0;
    // Appends the text of [from, to) of node, expanding embedded objects.
    std::function<bool(AtspiAccessible*, int, int, int)> expand = [&](AtspiAccessible* node, int from, int to,
                                                                      int depth) -> bool {
        const AXResult<QString> raw = text(node, from, to);
        if (!raw)
            return false;
        bool breakBeforeText = false;
        int offset = from;
        for (const char32_t c : raw->toUcs4()) {
            if (out.size() > expandedTextLimit)
                return true;
            const int here = offset++;
            if (c != objectReplacement) {
                if (breakBeforeText && c != U'\n' && !out.endsWith(u'\n'))
                    out += u'\n';
                breakBeforeText = false;
                out += QString::fromUcs4(&c, 1);
                continue;
            }
            if (depth >= expandedDepthLimit || ++links > expandedLinkLimit || !implements(node, "Hypertext"))
                continue;
            Atspi::Error error;
            AtspiAccessible* child = nullptr;
            Call(*this, node).run([&] {
                const gint index = atspi_hypertext_get_link_index(ATSPI_HYPERTEXT(node), here, error.out());
                if (error.failed() || index < 0)
                    return;
                const Atspi::Ref<AtspiHyperlink> link(
                    atspi_hypertext_get_link(ATSPI_HYPERTEXT(node), index, error.out()));
                if (link && !error.failed())
                    child = atspi_hyperlink_get_object(link.get(), 0, error.out());
            });
            const Accessible ownedChild(child);
            if (!child || !implements(child, "Text"))
                continue;
            // The child's own selection, or all of it when it lies wholly inside.
            int childStart = 0;
            int childEnd = 0;
            if (const AXResult<TextSelection> selection = textSelection(child)) {
                childStart = selection->start;
                childEnd = selection->end;
            } else {
                Call(*this, child).run([&] {
                    childEnd = atspi_text_get_character_count(ATSPI_TEXT(child), error.out());
                });
            }
            childEnd = int(std::min<qint64>(childEnd, qint64(childStart) + expandedTextLimit + 1));
            QString display;
            GHashTable* attributes = nullptr;
            Call(*this, child).run([&] { attributes = atspi_accessible_get_attributes(child, error.out()); });
            if (attributes) {
                display =
                    QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(attributes, "display")));
                g_hash_table_unref(attributes);
            }
            const AXResult<int> childRole = role(child);
            const bool block =
                Atspi::isBlock(childRole ? AtspiRole(*childRole) : ATSPI_ROLE_UNKNOWN, display);
            if (block && !out.isEmpty() && !out.endsWith(u'\n'))
                out += u'\n';
            if (childEnd > childStart && !expand(child, childStart, childEnd, depth + 1))
                return false;
            breakBeforeText = block;
        }
        return true;
    };
    if (!expand(document, start, end, 0))
        return std::unexpected(AXError::cannotComplete);
    out.remove(QChar(objectReplacement));
    return out;
}

AXResult<AXValue> AtspiAccessibilityTree::copyAttributeValue(const AccessibilityElement& element,
                                                             const QString& attribute)
{
    if (!ensureConnected())
        return std::unexpected(AXError::apiDisabled);
    if (isSystemWide(element)) {
        if (attribute == AXAttribute::focusedUIElement)
            return focusedElement();
        return std::unexpected(AXError::attributeUnsupported);
    }
    AtspiAccessible* accessible = accessibleOf(element);
    if (!accessible)
        return std::unexpected(AXError::illegalArgument);
    if (isGivenUp(accessible))
        return std::unexpected(AXError::cannotComplete);

    if (attribute == AXAttribute::role)
        return roleName(accessible);
    if (attribute == AXAttribute::subrole) {
        const AXResult<int> value = role(accessible);
        if (!value)
            return std::unexpected(value.error());
        if (*value == ATSPI_ROLE_PASSWORD_TEXT)
            return AXValue{QStringLiteral("AXSecureTextField")};
        return std::unexpected(AXError::noValue);
    }
    if (attribute == AXAttribute::parent)
        return parent(accessible);
    if (attribute == AXAttribute::children) {
        QList<AccessibilityElement> list;
        for (AtspiAccessible* child : children(accessible, childrenLimit))
            list.append(this->element(child));
        return AXValue{list};
    }

    const bool selectionAttribute =
        attribute == AXAttribute::selectedTextRange || attribute == AXAttribute::selectedText;
    if (!selectionAttribute && attribute != AXAttribute::selectedTextMarkerRange)
        return std::unexpected(AXError::attributeUnsupported);
    // A web document's own text holds placeholders for its objects: its selection
    // is read through text markers only.
    const AXResult<int> value = role(accessible);
    if (!value)
        return std::unexpected(value.error());
    if ((*value == ATSPI_ROLE_DOCUMENT_WEB) == selectionAttribute)
        return std::unexpected(AXError::attributeUnsupported);
    const AXResult<TextSelection> selection = textSelection(accessible);
    if (!selection)
        return std::unexpected(selection.error());
    if (attribute == AXAttribute::selectedTextRange)
        return AXValue{AXTextRange{selection->start, selection->end - selection->start}};
    if (attribute == AXAttribute::selectedTextMarkerRange) {
        return AXValue{AXTextMarkerRange(std::make_shared<MarkerHandle>(Accessible::retained(accessible),
                                                                        selection->start, selection->end))};
    }
    // Inside a web document every text holds U+FFFC for its embedded objects (a
    // link inside a paragraph): expand them wherever the element offers them.
    const AXResult<QString> selected = implements(accessible, "Hypertext")
                                           ? expandedText(accessible, selection->start, selection->end)
                                           : text(accessible, selection->start, selection->end);
    if (!selected)
        return std::unexpected(selected.error());
    return AXValue{QString(*selected).remove(QChar(objectReplacement))};
}

AXResult<AXValue> AtspiAccessibilityTree::copyParameterizedAttributeValue(const AccessibilityElement& element,
                                                                          const QString& attribute,
                                                                          const AXValue& parameter)
{
    if (!ensureConnected())
        return std::unexpected(AXError::apiDisabled);
    AtspiAccessible* accessible = accessibleOf(element);
    if (!accessible)
        return std::unexpected(AXError::illegalArgument);
    if (isGivenUp(accessible))
        return std::unexpected(AXError::cannotComplete);

    if (attribute == AXAttribute::boundsForRange) {
        const auto* range = std::get_if<AXTextRange>(&parameter);
        if (!range || range->location < 0 || range->length < 0 || range->location + range->length > INT_MAX)
            return std::unexpected(AXError::illegalArgument);
        const AXResult<QRectF> rect =
            rangeBounds(accessible, int(range->location), int(range->location + range->length));
        return rect ? AXResult<AXValue>(AXValue{*rect}) : std::unexpected(rect.error());
    }

    const auto* marker = std::get_if<AXTextMarkerRange>(&parameter);
    const auto* handle = marker ? dynamic_cast<const MarkerHandle*>(marker->handle()) : nullptr;
    if (!handle || !sameAccessible(accessible, handle->document.get()))
        return std::unexpected(AXError::illegalArgument);
    if (attribute == AXAttribute::lengthForTextMarkerRange)
        return AXValue{double(handle->end - handle->start)};
    if (attribute == AXAttribute::stringForTextMarkerRange) {
        const AXResult<QString> expanded = expandedText(accessible, handle->start, handle->end);
        return expanded ? AXResult<AXValue>(AXValue{*expanded}) : std::unexpected(expanded.error());
    }
    if (attribute == AXAttribute::boundsForTextMarkerRange) {
        const AXResult<QRectF> rect = rangeBounds(accessible, handle->start, handle->end);
        return rect ? AXResult<AXValue>(AXValue{*rect}) : std::unexpected(rect.error());
    }
    return std::unexpected(AXError::parameterizedAttributeUnsupported);
}

AXResult<QStringList> AtspiAccessibilityTree::copyAttributeNames(const AccessibilityElement& element)
{
    if (!ensureConnected())
        return std::unexpected(AXError::apiDisabled);
    AtspiAccessible* accessible = accessibleOf(element);
    if (!accessible)
        return std::unexpected(AXError::illegalArgument);
    const AXResult<int> value = role(accessible);
    if (!value)
        return std::unexpected(value.error());
    QStringList names{AXAttribute::role, AXAttribute::parent, AXAttribute::children};
    if (*value == ATSPI_ROLE_PASSWORD_TEXT)
        names.append(AXAttribute::subrole);
    if (implements(accessible, "Text")) {
        if (*value == ATSPI_ROLE_DOCUMENT_WEB)
            names.append(AXAttribute::selectedTextMarkerRange);
        else
            names += {AXAttribute::selectedText, AXAttribute::selectedTextRange};
    }
    if (implements(accessible, "Table"))
        names.append(AXAttribute::selectedRows);
    else if (implements(accessible, "Selection") && has(accessible, ATSPI_STATE_MANAGES_DESCENDANTS))
        names.append(AXAttribute::selectedCells);
    return names;
}

AXResult<AccessibilityElement> AtspiAccessibilityTree::copyElementAtPosition(const AccessibilityElement&,
                                                                             float x, float y)
{
    if (!ensureConnected())
        return std::unexpected(AXError::apiDisabled);
    const QPointF native = ScreenSpace::toNative(QPointF(x, y), ScreenSpace::guiScreens());
    const std::optional<X11Desktop::Window> window = m_desktop->clientWindowAt(native.toPoint());
    const std::optional<qint32> pid = window ? m_desktop->windowPid(*window) : std::nullopt;
    if (!pid || *pid == getpid())
        return std::unexpected(AXError::noValue);
    const AXResult<AtspiAccessible*> application = applicationOf(*pid);
    if (!application)
        return std::unexpected(application.error());
    const Accessible ownedApplication(*application);
    Accessible current(frameAt(ownedApplication.get(), native));
    if (!current)
        return std::unexpected(AXError::noValue);
    // Each call answers only the direct child under the point.
    for (int depth = 0; depth < hitTestDepthLimit && implements(current.get(), "Component"); ++depth) {
        Atspi::Error error;
        AtspiAccessible* child = nullptr;
        Call(*this, current.get()).run([&] {
            child = atspi_component_get_accessible_at_point(ATSPI_COMPONENT(current.get()), int(native.x()),
                                                            int(native.y()), ATSPI_COORD_TYPE_SCREEN,
                                                            error.out());
        });
        Accessible next(child);
        if (!child || error.failed() || sameAccessible(child, current.get()))
            break;
        current = std::move(next);
    }
    return element(static_cast<AtspiAccessible*>(g_object_ref(current.get())));
}

AXResult<qint32> AtspiAccessibilityTree::pid(const AccessibilityElement& element)
{
    if (!ensureConnected())
        return std::unexpected(AXError::apiDisabled);
    AtspiAccessible* accessible = accessibleOf(element);
    if (!accessible)
        return std::unexpected(AXError::illegalArgument);
    Atspi::Error error;
    const guint value = atspi_accessible_get_process_id(accessible, error.out());
    if (error.failed())
        return std::unexpected(AXError::invalidUIElement);
    if (value > guint(INT32_MAX))
        return 0;
    // A sandbox's bus proxy stands for the application whose window is active.
    if (const std::optional<QString> sandbox = ApplicationIdentity::flatpakIdOfProcess(qint32(value))) {
        const std::optional<X11Desktop::Window> window = m_desktop->activeWindow();
        const std::optional<qint32> windowPid = window ? m_desktop->windowPid(*window) : std::nullopt;
        if (windowPid && ApplicationIdentity::flatpakIdOfProcess(*windowPid) == sandbox)
            return *windowPid;
    }
    return qint32(value);
}

bool AtspiAccessibilityTree::isSameElement(const AccessibilityElement& a, const AccessibilityElement& b)
{
    if (isSystemWide(a) || isSystemWide(b))
        return isSystemWide(a) && isSystemWide(b);
    return sameAccessible(accessibleOf(a), accessibleOf(b));
}

bool AtspiAccessibilityTree::sameAccessible(AtspiAccessible* first, AtspiAccessible* second)
{
    if (!first || !second)
        return false;
    if (first == second)
        return true;
    return Atspi::busName(first) == Atspi::busName(second) && first->parent.path && second->parent.path &&
           qstrcmp(first->parent.path, second->parent.path) == 0;
}
