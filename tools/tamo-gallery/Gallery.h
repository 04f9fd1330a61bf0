#pragma once

#include <QImage>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>

// The pictures of the gallery: each registered function adds its named pictures.
class CGallery {
public:
    using Register = std::function<void(CGallery&)>;

    // Registers a group of pictures (done by TAMO_GALLERY_SHOTS at load time).
    static bool AddGroup(const char* name, Register fn);
    static const QVector<QPair<QString, Register>>& Groups();

    void Add(const QString& name, const QImage& image) { m_shots.push_back({name, image}); }
    // The widget as shown, on a white margin so frames and shadows are visible.
    void AddWidget(const QString& name, QWidget* w, int margin = 8);
    // A control as it sits in a white dialog: placed in a white host window and drawn there.
    void AddControl(const QString& name, QWidget* w, int margin = 8);
    const QVector<QPair<QString, QImage>>& Shots() const { return m_shots; }

    // The widget's own picture (it is shown first so that it initialises and lays out).
    static QImage Grab(QWidget* w);
    static QImage OnWhite(const QImage& image, int margin);
    // A window and a pop-up of it (a menu, a list) in one picture, where they stand on the
    // screen, on white.
    static QImage WithPopup(QWidget* window, QWidget* popup, int margin = 8);
    // Sends the pointer into a widget so that it draws its hot state.
    static void Hover(QWidget* w, const QPoint& pt = QPoint(2, 2));

private:
    QVector<QPair<QString, QImage>> m_shots;
};

#define TAMO_GALLERY_SHOTS(name)                                                     \
    static void GalleryShots_##name(CGallery& g);                                    \
    static const bool s_galleryRegistered_##name = CGallery::AddGroup(#name, &GalleryShots_##name); \
    static void GalleryShots_##name(CGallery& g)
