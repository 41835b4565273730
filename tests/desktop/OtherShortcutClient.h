#pragma once

#include <QList>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

// Another X client, on a connection of its own, that grabs Alt+Super+G first.
class OtherShortcutClient final
{
public:
    OtherShortcutClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 0x0067);
        m_keycode = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~OtherShortcutClient() { xcb_disconnect(m_connection); }
    OtherShortcutClient(const OtherShortcutClient&) = delete;
    OtherShortcutClient& operator=(const OtherShortcutClient&) = delete;

    // By default only the plain variant (no Lock, no NumLock), as many programs do;
    // with all, also the Lock and NumLock (Mod2) variants.
    bool grab(bool all = false)
    {
        for (const quint16 extra : masks(all)) {
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(m_connection, 1, m_root, XCB_MOD_MASK_1 | XCB_MOD_MASK_4 | extra,
                                     m_keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
            const bool refused = error != nullptr;
            std::free(error);
            if (refused)
                return false;
        }
        return true;
    }
    void release(bool all = false)
    {
        for (const quint16 extra : masks(all))
            xcb_ungrab_key(m_connection, m_keycode, m_root, XCB_MOD_MASK_1 | XCB_MOD_MASK_4 | extra);
        xcb_aux_sync();
    }

private:
    static QList<quint16> masks(bool all)
    {
        if (!all)
            return {0};
        return {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
    }
    void xcb_aux_sync()
    {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode = 0;
};
