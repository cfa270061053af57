#include "app/placeholderform.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kelvoran {

PlaceholderForm::PlaceholderForm(const QString &name, const QString &caption, QWidget *parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(name);
    setWindowTitle(caption);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(notAvailableText(), this));
    resize(360, 120);
}

QString PlaceholderForm::notAvailableText() const {
    return QStringLiteral("「") + windowTitle() + QStringLiteral("」の画面はまだ利用できません。");
}

} // namespace kelvoran
