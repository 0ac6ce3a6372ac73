#include "ui/PortDeviceBox.h"

namespace ui {

PortDeviceBox::PortDeviceBox(const QList<serial::PortEntry> &ports, QWidget *parent)
    : QComboBox(parent) {
    for (const serial::PortEntry &entry : ports)
        addItem(serial::entryText(entry), entry.name);
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString name = portNameAt(index);
        if (!name.isEmpty())
            emit portChosen(name);
    });
}

QString PortDeviceBox::portNameAt(int index) const {
    if (index < 0 || index >= count())
        return {};
    return itemData(index).toString();
}

void PortDeviceBox::showPort(const QString &name) {
    setCurrentIndex(findData(name));
}

} // namespace ui
