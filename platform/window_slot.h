#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

// A single-instance window: created (hidden) on first use, destroyed by its close box,
// created afresh by the next use.
template <class W>
class WindowSlot
{
public:
    using Factory = std::function<W*()>;
    explicit WindowSlot(Factory make = [] { return new W; }) : m_make(std::move(make)) {}
    ~WindowSlot() { delete m_window.data(); }
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;

    W* get()
    {
        if (!m_window) {
            m_window = m_make();
            m_window->setAttribute(Qt::WA_DeleteOnClose);
        }
        return m_window.data();
    }
    W* peek() const { return m_window.data(); }
    bool loaded() const { return !m_window.isNull(); }
    bool visible() const { return m_window && m_window->isVisible(); }
    void unload() { delete m_window.data(); }

private:
    Factory m_make;
    QPointer<W> m_window;
};
