#pragma once

// The nine port items of the "Port" menu, index 0 to 8 for Com ports 1 to 9. Their check marks
// are the only record of the selected port.
class PortList
{
public:
    static constexpr int Count = 9;
    virtual ~PortList() = default;
    virtual bool isChecked(int index) const = 0;
    virtual void setChecked(int index, bool checked) = 0;
};
