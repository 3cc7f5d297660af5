#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>
#include <functional>

namespace tarnwick::testing {

// The texts something paints, in the order it paints them: what a user reads on the screen, not what a model
// says it holds.
inline QStringList paintedTexts(const std::function<void(QPainter&)>& paint) {
    class Recorder final : public QPaintDevice, public QPaintEngine {
    public:
        QStringList texts;

        QPaintEngine* paintEngine() const override { return const_cast<Recorder*>(this); }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts.append(item.text()); }
        Type type() const override { return QPaintEngine::User; }

    protected:
        int metric(PaintDeviceMetric metric) const override {
            switch (metric) {
            case PdmWidth:
            case PdmHeight:
                return 8000;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            case PdmDepth:
                return 32;
            default:
                return 1000;
            }
        }
    };
    Recorder device;
    {
        QPainter painter(&device);
        paint(painter);
    }
    return device.texts;
}

} // namespace tarnwick::testing
