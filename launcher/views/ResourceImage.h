#pragma once
// An image of the launcher's resources (LauncherResource), filling its item (aspect fill, centred,
// cut off at the edges) inside a rounded rectangle. It can be drawn enlarged and shifted inside
// that frame, for artwork that drifts behind a fixed window.
#include <QImage>
#include <QtQml/qqmlregistration.h>

#include "launcher/views/ShownPaintedItem.h"

namespace novra {

class ResourceImage : public ShownPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY sourceChanged)
    Q_PROPERTY(QString folder READ folder WRITE setFolder NOTIFY sourceChanged)
    // Whether the image was found; when false the item draws nothing.
    Q_PROPERTY(bool available READ available NOTIFY sourceChanged)
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY radiusChanged)
    // 1 fills the frame exactly; larger values enlarge the image around the frame's centre.
    Q_PROPERTY(qreal zoom READ zoom WRITE setZoom NOTIFY zoomChanged)
    // Offset of the image inside the frame, in points.
    Q_PROPERTY(qreal shiftX READ shiftX WRITE setShiftX NOTIFY shiftChanged)
    Q_PROPERTY(qreal shiftY READ shiftY WRITE setShiftY NOTIFY shiftChanged)

public:
    explicit ResourceImage(QQuickItem* parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString& name);
    QString folder() const { return folder_; }
    void setFolder(const QString& folder);
    bool available() const { return size_.isValid(); }
    qreal radius() const { return radius_; }
    void setRadius(qreal radius);
    qreal zoom() const { return zoom_; }
    void setZoom(qreal zoom);
    qreal shiftX() const { return shiftX_; }
    void setShiftX(qreal shift);
    qreal shiftY() const { return shiftY_; }
    void setShiftY(qreal shift);

signals:
    void sourceChanged();
    void radiusChanged();
    void zoomChanged();
    void shiftChanged();

protected:
    void paintShown(QPainter* painter) override;

private:
    void reload();
    void setShift(qreal& field, qreal shift);

    QString name_;
    QString folder_;
    QSize size_;    // of the image, in pixels; invalid when there is none
    QImage scaled_; // the image at the size last drawn, in device pixels
    qreal radius_ = 0;
    qreal zoom_ = 1;
    qreal shiftX_ = 0;
    qreal shiftY_ = 0;
};

} // namespace novra
