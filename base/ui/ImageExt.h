#pragma once

#include <QImage>

// A bitmap of the skin. Bitmaps are addressed by resource number: ":/bitmaps/<n>.png" or
// ":/bitmaps/<n>.svg" in the Qt resources of whichever library carries them.
class CImageExt {
public:
    CImageExt() = default;
    virtual ~CImageExt() = default;

    static QImage LoadResource(int nResource);

    bool Load(int nResource) { Attach(LoadResource(nResource)); return !IsNull(); }
    void Attach(const QImage& image) { m_image = image; }
    void Detach() { m_image = QImage(); }

    bool IsNull() const { return m_image.isNull(); }
    int GetWidth() const { return m_image.width(); }
    int GetHeight() const { return m_image.height(); }
    int GetBPP() const { return m_image.depth(); }
    const QImage& GetImage() const { return m_image; }

private:
    QImage m_image;
};
