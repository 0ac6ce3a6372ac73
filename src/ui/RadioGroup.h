#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace ui {

// A framed group of radio buttons, one checked at a time, addressed by item index.
class RadioGroup final : public QGroupBox {
    Q_OBJECT

public:
    explicit RadioGroup(const QStringList &items, QWidget *parent = nullptr);

    // The checked item, or -1 when none is.
    int itemIndex() const;
    void setItemIndex(int index);
    int itemCount() const;
    QRadioButton *item(int index) const;

private:
    QButtonGroup *m_buttons = nullptr;
};

} // namespace ui
