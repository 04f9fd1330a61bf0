#pragma once

#include <QRect>
#include <QSize>

class QPainter;

// A borrowed picture that a skinned control draws in place of its own skin. Any object with
// `int DrawBackground(QPainter*, int state, const QRect&)` and `QSize GetSize() const` can be
// pointed at (the drawing helpers of the base library are), without this library knowing its
// type: `m_pPicture = &helper;`. The pointer is not owned.
class CTamoPicturePtr {
public:
    CTamoPicturePtr() = default;
    CTamoPicturePtr(std::nullptr_t) {}
    template <typename T>
    CTamoPicturePtr(T* p) { Assign(p); }
    template <typename T>
    CTamoPicturePtr& operator=(T* p) { Assign(p); return *this; }
    CTamoPicturePtr& operator=(std::nullptr_t) { *this = CTamoPicturePtr(); return *this; }

    explicit operator bool() const { return m_pObject != nullptr; }
    const void* Get() const { return m_pObject; }
    bool operator==(std::nullptr_t) const { return m_pObject == nullptr; }

    void Draw(QPainter* dc, int nState, const QRect& rc) const
    {
        if (m_pObject)
            m_pfnDraw(m_pObject, dc, nState, rc);
    }
    QSize Size() const { return m_pObject ? m_pfnSize(m_pObject) : QSize(); }

private:
    template <typename T>
    void Assign(T* p)
    {
        m_pObject = p;
        m_pfnDraw = [](const void* o, QPainter* dc, int s, const QRect& r) {
            const_cast<T*>(static_cast<const T*>(o))->DrawBackground(dc, s, r);
        };
        m_pfnSize = [](const void* o) { return static_cast<const T*>(o)->GetSize(); };
    }

    const void* m_pObject = nullptr;
    void (*m_pfnDraw)(const void*, QPainter*, int, const QRect&) = nullptr;
    QSize (*m_pfnSize)(const void*) = nullptr;
};
