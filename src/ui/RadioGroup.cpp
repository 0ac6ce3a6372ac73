#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

RadioGroup::RadioGroup(const QStringList &items, QWidget *parent)
    : QGroupBox(parent), m_buttons(new QButtonGroup(this)) {
    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
        layout->addWidget(button);
    }
}

int RadioGroup::itemIndex() const {
    return m_buttons->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (QRadioButton *button = item(index))
        button->setChecked(true);
}

int RadioGroup::itemCount() const {
    return static_cast<int>(m_buttons->buttons().size());
}

QRadioButton *RadioGroup::item(int index) const {
    return qobject_cast<QRadioButton *>(m_buttons->button(index));
}

} // namespace ui
