#pragma once

// Small owners for libatspi and GLib values, and the helpers the AT-SPI adapter
// shares. Only platform/linux includes this.

#include <atspi/atspi.h>

#include <QString>

#include <memory>
#include <utility>

namespace Atspi {

// Owns one reference to a GObject (an accessible, a state set, a hyperlink, ...).
template <typename T>
class Ref final
{
public:
    Ref() = default;
    explicit Ref(T* object) : m_object(object) {} // adopts a reference
    Ref(const Ref& other) : m_object(other.m_object) { retain(); }
    Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    Ref& operator=(Ref other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~Ref()
    {
        if (m_object)
            g_object_unref(m_object);
    }
    static Ref retained(T* object)
    {
        Ref ref(object);
        ref.retain();
        return ref;
    }

    [[nodiscard]] T* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    void retain()
    {
        if (m_object)
            g_object_ref(m_object);
    }
    T* m_object = nullptr;
};

using Accessible = Ref<AtspiAccessible>;

// Collects the GError of one call.
class Error final
{
public:
    Error() = default;
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    ~Error()
    {
        if (m_error)
            g_error_free(m_error);
    }
    GError** out()
    {
        if (m_error) {
            g_error_free(m_error);
            m_error = nullptr;
        }
        return &m_error;
    }
    [[nodiscard]] bool failed() const { return m_error != nullptr; }

private:
    GError* m_error = nullptr;
};

struct GFreeDeleter
{
    void operator()(void* p) const { g_free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, GFreeDeleter>; // g_malloc'd values: strings, ranges, rectangles

// Takes a g_malloc'd UTF-8 string.
QString takeString(gchar* text);

// The bus name of the application an accessible belongs to, or empty.
QByteArray busName(AtspiAccessible* accessible);

// Whether the application with this bus name answers a ping on the accessibility
// bus within timeoutMs.
bool ping(const QByteArray& busName, int timeoutMs);

bool hasState(AtspiAccessible* accessible, AtspiStateType state);
bool implements(AtspiAccessible* accessible, const char* interfaceName);

// The role name the capture rules use ("AXTextArea", ...), given the AT-SPI role,
// whether the element is multi-line (TEXT only) and whether it is a grid (TABLE only).
QString roleName(AtspiRole role, bool multiLine, bool grid);
// Whether an embedded object of a web document is a block (its text stands on lines
// of its own): the "display" object attribute, else the role.
bool isBlock(AtspiRole role, const QString& display);

} // namespace Atspi
