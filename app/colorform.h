// TColorForm: the palette of Excel colour indexes. 40 swatches, 8 per row, in the order and with
// the on-screen colours of paletteOrder()/paletteColour(); the swatch with the focus is framed.
// UI thread only.
#pragma once

#include <QDialog>

#include <vector>

class QPushButton;

namespace kelvoran {

class ColorSwatch;

class TColorForm : public QDialog {
    Q_OBJECT
public:
    explicit TColorForm(QWidget *parent = nullptr);

    // Opens the palette with the swatch of colorIndex focused. "OK" or a double-click on a
    // swatch stores the focused swatch's index in colorIndex and gives true; "Cancel", Esc or
    // the title bar leave colorIndex unchanged and give false. The dialog is created once per
    // parent and kept.
    static bool chooseColor(QWidget *parent, int &colorIndex);

    // The same on this instance.
    bool choose(int &colorIndex);
    // The index of the focused swatch (the current index).
    int currentIndex() const { return m_current; }
    // The swatch of a colour index (object name "Swatch<index>"), null when not in the palette.
    QWidget *swatch(int colorIndex) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    friend class ColorSwatch;
    void swatchFocused(int colorIndex);
    void swatchChosen(int colorIndex);

    std::vector<ColorSwatch *> m_swatches;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    int m_current = 1;
};

} // namespace kelvoran
