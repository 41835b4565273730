#include "AccessibilitySelectionProvider.h"

#include "CaptureDiagnostics.h"
#include "literature/LiteratureInputValidator.h"

#include <QGuiApplication>
#include <QScreen>

#include <deque>

namespace {

using Deadline = std::chrono::steady_clock::time_point;
template <typename T>
using Checked = std::expected<T, SelectionCaptureError>;

const QString unknownRole = QStringLiteral("unknown");
const QString webAreaRole = QStringLiteral("AXWebArea");
const QString secureTextFieldSubrole = QStringLiteral("AXSecureTextField");

const QStringList itemContainerRoles = {
    QStringLiteral("AXTable"),   QStringLiteral("AXOutline"), QStringLiteral("AXList"),
    QStringLiteral("AXBrowser"), QStringLiteral("AXGrid"),    QStringLiteral("AXColumn"),
};
const QStringList contentRoles = {
    QStringLiteral("AXScrollArea"), QStringLiteral("AXGroup"),      QStringLiteral("AXImage"),
    QStringLiteral("AXWebArea"),    QStringLiteral("AXTextArea"),   QStringLiteral("AXTextField"),
    QStringLiteral("AXStaticText"), QStringLiteral("AXLayoutArea"), QStringLiteral("AXLayoutItem"),
    QStringLiteral("AXUnknown"),    QStringLiteral("AXPage"),       QStringLiteral("AXDocument"),
    QStringLiteral("AXCanvas"),
};
const QStringList contentContainerRoles = {
    QStringLiteral("AXScrollArea"), QStringLiteral("AXWebArea"),    QStringLiteral("AXPage"),
    QStringLiteral("AXDocument"),   QStringLiteral("AXLayoutArea"), QStringLiteral("AXTextArea"),
};

std::optional<QRectF> guiPrimaryScreen()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return QRectF(screen->geometry());
}

QString nameOrQuestionMark(const SelectionSource& source)
{
    return source.applicationName.value_or(QStringLiteral("?"));
}

} // namespace

struct AccessibilitySelectionProvider::ResolvedSelection
{
    AccessibilityElement element; // the holder
    QString text; // exactly as read
    QString strategy; // "focused", "ancestor-3", "descendant-2/webarea", ...
    std::optional<AXTextMarkerRange> markerRange; // web areas only
};

// The building blocks of one call, over the accessibility interface.
class AccessibilitySelectionProvider::Walk final
{
public:
    Walk(const Environment& environment) : ax(*environment.accessibility), env(environment) {}

    AccessibilityTreeAccessing& ax;
    const Environment& env;

    [[nodiscard]] bool deadlinePassed(Deadline deadline) const { return env.monotonicClock() >= deadline; }

    bool same(const AccessibilityElement& a, const AccessibilityElement& b) const
    {
        return ax.isSameElement(a, b);
    }

    std::optional<AccessibilityElement> elementAttribute(const AccessibilityElement& element,
                                                         const QString& name)
    {
        const AXResult<AXValue> value = ax.copyAttributeValue(element, name);
        if (!value)
            return std::nullopt;
        if (const auto* found = std::get_if<AccessibilityElement>(&*value); found && !found->isNull())
            return *found;
        return std::nullopt;
    }

    std::optional<QString> stringAttribute(const QString& name, const AccessibilityElement& element)
    {
        const AXResult<AXValue> value = ax.copyAttributeValue(element, name);
        if (!value)
            return std::nullopt;
        if (const auto* text = std::get_if<QString>(&*value))
            return *text;
        return std::nullopt;
    }

    QString role(const AccessibilityElement& element)
    {
        return stringAttribute(AXAttribute::role, element).value_or(unknownRole);
    }

    std::optional<AccessibilityElement> parent(const AccessibilityElement& element)
    {
        return elementAttribute(element, AXAttribute::parent);
    }

    QList<AccessibilityElement> children(const AccessibilityElement& element)
    {
        const AXResult<AXValue> value = ax.copyAttributeValue(element, AXAttribute::children);
        if (!value)
            return {};
        const auto* list = std::get_if<QList<AccessibilityElement>>(&*value);
        if (!list)
            return {};
        QList<AccessibilityElement> result;
        for (const AccessibilityElement& child : *list) {
            if (result.size() == childrenLimit)
                break;
            if (!child.isNull())
                result.append(child);
        }
        return result;
    }

    // Read from the system-wide element; failures become the errors of the capture.
    Checked<AccessibilityElement> focusedElement()
    {
        const AXResult<AXValue> value =
            ax.copyAttributeValue(ax.systemWideElement(), AXAttribute::focusedUIElement);
        if (value) {
            if (const auto* element = std::get_if<AccessibilityElement>(&*value);
                element && !element->isNull())
                return *element;
            return std::unexpected(unavailableAtFrontmost());
        }
        if (isNoValueError(value.error()))
            return std::unexpected(unavailableAtFrontmost());
        if (value.error() == AXError::apiDisabled)
            return std::unexpected(SelectionCaptureError::accessibilityPermissionRequired());
        return std::unexpected(SelectionCaptureError::accessibilityFailure(
            QStringLiteral("read the focused element"), value.error()));
    }

    SelectionCaptureError unavailableAtFrontmost()
    {
        if (const std::optional<SelectionSource> frontmost = env.applications->frontmostApplication())
            return SelectionCaptureError::selectionUnavailable(*frontmost);
        return SelectionCaptureError::focusedElementUnavailable();
    }

    // The element or one of its nearest ancestors is a password field.
    bool isSecure(const AccessibilityElement& start)
    {
        AccessibilityElement element = start;
        for (int checked = 1;; ++checked) {
            if (stringAttribute(AXAttribute::subrole, element) == secureTextFieldSubrole)
                return true;
            if (checked == secureCheckLimit)
                return false;
            const std::optional<AccessibilityElement> next = parent(element);
            if (!next)
                return false;
            element = *next;
        }
    }

    Checked<SelectionSource> source(const AccessibilityElement& element)
    {
        const AXResult<qint32> pid = ax.pid(element);
        if (!pid || *pid <= 0) {
            return std::unexpected(SelectionCaptureError::accessibilityFailure(
                QStringLiteral("identify the source application"), pid ? AXError::success : pid.error()));
        }
        SelectionSource source = env.applications->application(*pid);
        source.processIdentifier = *pid;
        return source;
    }

    std::optional<AXTextRange> selectedTextRange(const AccessibilityElement& element)
    {
        const AXResult<AXValue> value = ax.copyAttributeValue(element, AXAttribute::selectedTextRange);
        if (!value)
            return std::nullopt;
        const auto* range = std::get_if<AXTextRange>(&*value);
        if (!range || range->location == -1)
            return std::nullopt;
        return *range;
    }

    // Non-blank selected text; too long is refused by the range before the text is read.
    Checked<std::optional<QString>> selectedTextValue(const AccessibilityElement& element)
    {
        if (const std::optional<AXTextRange> range = selectedTextRange(element);
            range && range->length > maximumSelectionLength)
            return std::unexpected(SelectionCaptureError::selectionTooLong(range->length));
        const std::optional<QString> text = stringAttribute(AXAttribute::selectedText, element);
        if (!text)
            return std::optional<QString>();
        if (text->size() > maximumSelectionLength)
            return std::unexpected(SelectionCaptureError::selectionTooLong(text->size()));
        if (text->trimmed().isEmpty())
            return std::optional<QString>();
        return text;
    }

    Checked<std::optional<std::pair<QString, AXTextMarkerRange>>>
    webAreaSelection(const AccessibilityElement& element)
    {
        using Result = std::optional<std::pair<QString, AXTextMarkerRange>>;
        const AXResult<AXValue> marker = ax.copyAttributeValue(element, AXAttribute::selectedTextMarkerRange);
        if (!marker)
            return Result();
        const auto* range = std::get_if<AXTextMarkerRange>(&*marker);
        if (!range)
            return Result();
        const AXResult<AXValue> length =
            ax.copyParameterizedAttributeValue(element, AXAttribute::lengthForTextMarkerRange, *range);
        if (length) {
            if (const auto* count = std::get_if<double>(&*length); count && *count > maximumSelectionLength)
                return std::unexpected(SelectionCaptureError::selectionTooLong(static_cast<qint64>(*count)));
        }
        const AXResult<AXValue> string =
            ax.copyParameterizedAttributeValue(element, AXAttribute::stringForTextMarkerRange, *range);
        if (!string)
            return Result();
        const auto* text = std::get_if<QString>(&*string);
        if (!text)
            return Result();
        if (text->size() > maximumSelectionLength)
            return std::unexpected(SelectionCaptureError::selectionTooLong(text->size()));
        if (text->trimmed().isEmpty())
            return Result();
        return Result(std::pair(*text, *range));
    }

    Checked<std::optional<ResolvedSelection>> selection(const AccessibilityElement& element,
                                                        const QString& strategy)
    {
        using Result = std::optional<ResolvedSelection>;
        const Checked<std::optional<QString>> text = selectedTextValue(element);
        if (!text)
            return std::unexpected(text.error());
        if (*text)
            return Result(ResolvedSelection{element, **text, strategy, std::nullopt});
        if (role(element) != webAreaRole)
            return Result();
        const auto web = webAreaSelection(element);
        if (!web)
            return std::unexpected(web.error());
        if (!*web)
            return Result();
        return Result(
            ResolvedSelection{element, (*web)->first, strategy + QStringLiteral("/webarea"), (*web)->second});
    }

    bool contains(const QList<AccessibilityElement>& list, const AccessibilityElement& element) const
    {
        return std::any_of(list.begin(), list.end(),
                           [&](const AccessibilityElement& other) { return same(other, element); });
    }

    Checked<std::optional<ResolvedSelection>> searchDescendants(const AccessibilityElement& root,
                                                                const QList<AccessibilityElement>& skipping,
                                                                int depthLimit, int nodeLimit,
                                                                Deadline deadline)
    {
        using Result = std::optional<ResolvedSelection>;
        std::deque<std::pair<AccessibilityElement, int>> queue{{root, 0}};
        int visits = 0;
        while (!queue.empty()) {
            if (deadlinePassed(deadline))
                return Result();
            auto [element, depth] = std::move(queue.front());
            queue.pop_front();
            if (visits + 1 > nodeLimit)
                return Result();
            ++visits;
            if (!contains(skipping, element)) {
                auto found = selection(element, QStringLiteral("descendant-") + QString::number(depth));
                if (!found || *found)
                    return found;
            }
            if (depth < depthLimit) {
                for (const AccessibilityElement& child : children(element))
                    queue.emplace_back(child, depth + 1);
            }
        }
        return Result();
    }

    Checked<std::optional<ResolvedSelection>> resolveSelection(const AccessibilityElement& focused,
                                                               DescendantSearch level, Deadline deadline)
    {
        using Result = std::optional<ResolvedSelection>;
        if (auto found = selection(focused, QStringLiteral("focused")); !found || *found)
            return found;

        QList<AccessibilityElement> skipping{focused};
        std::optional<AccessibilityElement> contentContainer;
        AccessibilityElement current = focused;
        for (int i = 1; i <= ancestorLimit; ++i) {
            if (deadlinePassed(deadline))
                break;
            const std::optional<AccessibilityElement> ancestor = parent(current);
            if (!ancestor)
                break;
            current = *ancestor;
            const QString strategy = QStringLiteral("ancestor-") + QString::number(i);
            const Checked<std::optional<QString>> text = selectedTextValue(current);
            if (!text)
                return std::unexpected(text.error());
            if (*text)
                return Result(ResolvedSelection{current, **text, strategy, std::nullopt});
            const QString ancestorRole = role(current);
            if (ancestorRole == webAreaRole) {
                const auto web = webAreaSelection(current);
                if (!web)
                    return std::unexpected(web.error());
                if (*web) {
                    return Result(ResolvedSelection{current, (*web)->first,
                                                    strategy + QStringLiteral("/webarea"), (*web)->second});
                }
            }
            skipping.append(current);
            if (!contentContainer && contentContainerRoles.contains(ancestorRole))
                contentContainer = current;
        }

        if (level == DescendantSearch::none)
            return Result();
        const bool thorough = level == DescendantSearch::thorough;
        const int depthLimit = thorough ? thoroughDepthLimit : shallowDepthLimit;
        const int nodeLimit = thorough ? thoroughNodeLimit : shallowNodeLimit;
        if (auto found = searchDescendants(focused, skipping, depthLimit, nodeLimit, deadline);
            !found || *found)
            return found;
        if (thorough && contentContainer)
            return searchDescendants(*contentContainer, skipping, depthLimit, nodeLimit, deadline);
        return Result();
    }

    std::optional<QRectF> rectangle(const AXResult<AXValue>& value)
    {
        if (!value)
            return std::nullopt;
        if (const auto* rect = std::get_if<QRectF>(&*value))
            return *rect;
        return std::nullopt;
    }

    std::optional<QRectF> boundsForTextMarkerRange(const AXTextMarkerRange& range,
                                                   const AccessibilityElement& holder)
    {
        return rectangle(
            ax.copyParameterizedAttributeValue(holder, AXAttribute::boundsForTextMarkerRange, range));
    }

    std::optional<QRectF> selectionBounds(const AXTextRange& range, const AccessibilityElement& holder)
    {
        return rectangle(ax.copyParameterizedAttributeValue(holder, AXAttribute::boundsForRange, range));
    }

    // The element under a point of desktop space.
    std::optional<AccessibilityElement> elementAtDesktopPoint(QPointF point)
    {
        double x = point.x();
        double y = point.y();
        if (const std::optional<QRectF> screen = env.primaryScreen()) {
            x = point.x() + screen->left();
            y = screen->top() + screen->height() - point.y();
        }
        const AXResult<AccessibilityElement> element =
            ax.copyElementAtPosition(ax.systemWideElement(), static_cast<float>(x), static_cast<float>(y));
        if (!element || element->isNull())
            return std::nullopt;
        return *element;
    }

    std::optional<AccessibilityElement> contentContainer(const AccessibilityElement& start)
    {
        std::optional<AccessibilityElement> element = start;
        for (int checked = 0; element && checked < contentContainerCheckLimit; ++checked) {
            if (contentContainerRoles.contains(role(*element)))
                return element;
            element = parent(*element);
        }
        return std::nullopt;
    }
};

AccessibilitySelectionProvider::AccessibilitySelectionProvider(
    std::shared_ptr<AccessibilityPermissionManaging> permissionManager, Environment environment)
    : m_permissionManager(std::move(permissionManager)), m_environment(std::move(environment))
{
    Q_ASSERT(m_permissionManager && m_environment.accessibility && m_environment.applications);
    if (!m_environment.monotonicClock)
        m_environment.monotonicClock = [] { return std::chrono::steady_clock::now(); };
    if (!m_environment.wallClock)
        m_environment.wallClock = [] { return QDateTime::currentDateTimeUtc(); };
    if (!m_environment.primaryScreen)
        m_environment.primaryScreen = guiPrimaryScreen;
}

AccessibilitySelectionProvider::~AccessibilitySelectionProvider() = default;

SelectionCaptureResult AccessibilitySelectionProvider::captureSelection(DescendantSearch descendantSearch)
{
    if (!m_permissionManager->isTrusted())
        return std::unexpected(SelectionCaptureError::accessibilityPermissionRequired());
    Walk walk(m_environment);
    walk.ax.setMessagingTimeout(walk.ax.systemWideElement(), messagingTimeoutSeconds);
    const Deadline deadline = m_environment.monotonicClock() + timeBudget;

    const Checked<AccessibilityElement> focused = walk.focusedElement();
    if (!focused)
        return std::unexpected(focused.error());
    if (walk.isSecure(*focused))
        return std::unexpected(SelectionCaptureError::secureField());
    const Checked<SelectionSource> source = walk.source(*focused);
    if (!source)
        return std::unexpected(source.error());

    const Checked<std::optional<ResolvedSelection>> resolved =
        walk.resolveSelection(*focused, descendantSearch, deadline);
    if (!resolved)
        return std::unexpected(resolved.error());
    if (!*resolved) {
        CaptureDiagnostics::log([&]() -> QString {
            return QStringLiteral("ax: no selected text \u2014 app=") + nameOrQuestionMark(*source) +
                   QStringLiteral(" focusedRole=") + walk.role(*focused) + QStringLiteral(" search=") +
                   rawValue(descendantSearch);
        });
        return std::unexpected(SelectionCaptureError::selectionUnavailable(*source));
    }
    const ResolvedSelection& selection = **resolved;
    if (!walk.same(selection.element, *focused) && walk.isSecure(selection.element))
        return std::unexpected(SelectionCaptureError::secureField());
    CaptureDiagnostics::log([&]() -> QString {
        return QStringLiteral("ax: found selection \u2014 app=") + nameOrQuestionMark(*source) +
               QStringLiteral(" focusedRole=") + walk.role(*focused) + QStringLiteral(" holderRole=") +
               walk.role(selection.element) + QStringLiteral(" via=") + selection.strategy +
               QStringLiteral(" chars=") +
               QString::number(LiteratureInputValidator::characterCount(selection.text));
    });

    std::optional<QRectF> rect;
    if (selection.markerRange) {
        rect = walk.boundsForTextMarkerRange(*selection.markerRange, selection.element);
    } else if (const std::optional<AXTextRange> range = walk.selectedTextRange(selection.element)) {
        rect = walk.selectionBounds(*range, selection.element);
    }

    SelectionContext context;
    context.selectedText = selection.text;
    context.sourceApplicationName = source->applicationName;
    context.sourceBundleIdentifier = source->bundleIdentifier;
    if (rect)
        context.bounds = desktopRect(*rect, m_environment.primaryScreen());
    context.isEditable = false;
    context.captureMethod = SelectionCaptureMethod::accessibility;
    context.capturedAt = m_environment.wallClock();
    return SystemSelection{std::move(context), source->processIdentifier};
}

bool AccessibilitySelectionProvider::focusedElementIsItemContainer()
{
    if (!m_permissionManager->isTrusted())
        return false;
    Walk walk(m_environment);
    const AccessibilityElement systemWide = walk.ax.systemWideElement();
    walk.ax.setMessagingTimeout(systemWide, messagingTimeoutSeconds);
    const std::optional<AccessibilityElement> focused =
        walk.elementAttribute(systemWide, AXAttribute::focusedUIElement);
    if (!focused)
        return false;
    if (itemContainerRoles.contains(walk.role(*focused)))
        return true;
    const AXResult<QStringList> names = walk.ax.copyAttributeNames(*focused);
    return names &&
           (names->contains(AXAttribute::selectedRows) || names->contains(AXAttribute::selectedCells));
}

bool AccessibilitySelectionProvider::gestureLandsInContent(QPointF from, QPointF to)
{
    if (!m_permissionManager->isTrusted())
        return false;
    Walk walk(m_environment);
    walk.ax.setMessagingTimeout(walk.ax.systemWideElement(), messagingTimeoutSeconds);
    const std::optional<AccessibilityElement> start = walk.elementAtDesktopPoint(from);
    const std::optional<AccessibilityElement> end = walk.elementAtDesktopPoint(to);
    if (!start || !end)
        return false;
    const AccessibilityElement startArea = walk.contentContainer(*start).value_or(*start);
    const AccessibilityElement endArea = walk.contentContainer(*end).value_or(*end);
    return walk.same(startArea, endArea) && contentRoles.contains(walk.role(startArea));
}

ScreenRect AccessibilitySelectionProvider::desktopRect(const QRectF& rect,
                                                       const std::optional<QRectF>& primaryScreen)
{
    if (!primaryScreen)
        return ScreenRect{rect.x(), rect.y(), rect.width(), rect.height()};
    return ScreenRect{rect.x() - primaryScreen->left(),
                      primaryScreen->top() + primaryScreen->height() - rect.y() - rect.height(), rect.width(),
                      rect.height()};
}
