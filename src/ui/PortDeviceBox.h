#pragma once

#include "serial/PortList.h"

#include <QComboBox>
#include <QList>
#include <QString>

namespace ui {

// The port drop-down: the ports given at creation, in their order, each shown as
// "name (description)" or the name alone. The list is not refreshed afterwards.
class PortDeviceBox final : public QComboBox {
    Q_OBJECT

public:
    explicit PortDeviceBox(const QList<serial::PortEntry> &ports, QWidget *parent = nullptr);

    // The port name of entry `index`, or an empty text outside the list.
    QString portNameAt(int index) const;
    // Shows the entry of port `name`; with no such entry nothing is shown.
    void showPort(const QString &name);

signals:
    // The user chose an entry (also the one already shown).
    void portChosen(const QString &name);
};

} // namespace ui
