#pragma once

#include <QSlider>

namespace ui {

// The vertical volume slider: 0 (loudest) at the top, 65535 (silent) at the bottom, where it
// starts, with ticks on the right every 8192. It reports every user action with changed(),
// also one that leaves the position where it was, and a position set by the program only
// when it differs.
class VolumeSlider : public QSlider
{
    Q_OBJECT

public:
    static constexpr int kThumbLength = 20;

    explicit VolumeSlider(QWidget* parent = nullptr);

signals:
    // Once per user action or per programmatic change of the position, with the final
    // position.
    void changed(int position);

protected:
    bool event(QEvent* event) override;

private:
    void noteAction();
    void noteRelease();
    void noteValueChanged(int position);

    int eventDepth_ = 0;
    bool reportPending_ = false;
};

} // namespace ui
