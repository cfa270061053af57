#include "app/colorform.h"

#include "app/reportdialogs.h"
#include "report/formatcode.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace kelvoran {

namespace {

constexpr int kPerRow = 8;
constexpr int kSwatch = 28; // swatch side in pixels
constexpr int kPitch = 34;  // distance between swatch origins
constexpr int kMargin = 10;

} // namespace

// One swatch of the palette: filled with its colour, framed in the highlight colour while it has
// the focus. Arrow keys move the focus through the palette.
class ColorSwatch : public QWidget {
public:
    ColorSwatch(TColorForm *form, int colorIndex, int position)
        : QWidget(form), m_form(form), m_index(colorIndex), m_position(position) {
        setObjectName(QStringLiteral("Swatch%1").arg(colorIndex));
        setFocusPolicy(Qt::StrongFocus);
        setToolTip(QString::number(colorIndex));
    }

    int colorIndex() const { return m_index; }
    // The on-screen colour: the table's, or the window colour for index 2.
    QColor color() const {
        const int rgb = paletteColour(m_index);
        return rgb < 0 ? palette().color(QPalette::Window) : QColor::fromRgb(QRgb(rgb));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        const QRect r = rect();
        if (hasFocus())
            p.fillRect(r, palette().color(QPalette::Highlight));
        p.fillRect(r.adjusted(3, 3, -3, -3), color());
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
    void focusInEvent(QFocusEvent *event) override {
        QWidget::focusInEvent(event);
        m_form->swatchFocused(m_index);
        update();
    }
    void focusOutEvent(QFocusEvent *event) override {
        QWidget::focusOutEvent(event);
        update();
    }
    void mousePressEvent(QMouseEvent *) override { setFocus(Qt::MouseFocusReason); }
    void mouseDoubleClickEvent(QMouseEvent *) override { m_form->swatchChosen(m_index); }
    void keyPressEvent(QKeyEvent *event) override {
        int step = 0;
        switch (event->key()) {
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Right:
            step = 1;
            break;
        case Qt::Key_Up:
            step = -kPerRow;
            break;
        case Qt::Key_Down:
            step = kPerRow;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
        }
        const int count = static_cast<int>(paletteOrder().size());
        const int next = m_position + step;
        if (next >= 0 && next < count)
            m_form->swatch(paletteOrder()[static_cast<size_t>(next)])->setFocus();
    }

private:
    TColorForm *m_form;
    int m_index;
    int m_position;
};

TColorForm::TColorForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TColorForm"));
    setWindowTitle(QStringLiteral("色設定"));
    setModal(true);
    const std::vector<int> &order = paletteOrder();
    for (size_t i = 0; i < order.size(); ++i) {
        auto *s = new ColorSwatch(this, order[i], static_cast<int>(i));
        const int row = static_cast<int>(i) / kPerRow;
        const int col = static_cast<int>(i) % kPerRow;
        s->setGeometry(kMargin + col * kPitch, kMargin + row * kPitch, kSwatch, kSwatch);
        m_swatches.push_back(s);
    }
    const int rows = static_cast<int>((order.size() + kPerRow - 1) / kPerRow);
    const int width = 2 * kMargin + (kPerRow - 1) * kPitch + kSwatch;
    const int buttonsTop = kMargin + rows * kPitch + 6;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setDefault(true);
    m_ok->setGeometry(width - 2 * 84, buttonsTop, 76, 26);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setGeometry(width - 84, buttonsTop, 76, 26);
    // The buttons never hold the focus, so the framed swatch stays the current one.
    m_ok->setFocusPolicy(Qt::NoFocus);
    m_cancel->setFocusPolicy(Qt::NoFocus);
    setFixedSize(width, buttonsTop + 26 + kMargin);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TColorForm::chooseColor(QWidget *parent, int &colorIndex) {
    return withReportDialog<TColorForm>(parent,
                                        [&](TColorForm &form) { return form.choose(colorIndex); });
}

QWidget *TColorForm::swatch(int colorIndex) const {
    for (ColorSwatch *s : m_swatches)
        if (s->colorIndex() == colorIndex)
            return s;
    return nullptr;
}

void TColorForm::swatchFocused(int colorIndex) {
    m_current = colorIndex;
}

void TColorForm::swatchChosen(int colorIndex) {
    m_current = colorIndex;
    accept();
}

void TColorForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (QWidget *current = swatch(m_current))
        current->setFocus(Qt::OtherFocusReason);
}

bool TColorForm::choose(int &colorIndex) {
    QWidget *start = swatch(colorIndex);
    if (!start)
        start = m_swatches.front();
    m_current = static_cast<ColorSwatch *>(start)->colorIndex();
    if (exec() != QDialog::Accepted)
        return false;
    colorIndex = m_current;
    return true;
}

} // namespace kelvoran
