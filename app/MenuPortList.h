#pragma once

#include "monitor/PortList.h"

#include <QAction>
#include <QList>

// The "Port" menu's check marks as the live monitor's port list.
class MenuPortList final : public PortList
{
public:
    // All the items, made before the list.
    explicit MenuPortList(const QList<QAction *> &items) : items_(items)
    {
        Q_ASSERT(items_.size() == Count);
    }
    bool isChecked(int index) const override { return items_.at(index)->isChecked(); }
    void setChecked(int index, bool checked) override { items_.at(index)->setChecked(checked); }

private:
    const QList<QAction *> items_;
};
