#pragma once

#include <QWidget>

#include <memory>

class QTimer;

namespace tallowick {

class RecordCursor;

// The insert worker: never shown. Its timer's first tick places the
// placeholder row directly after the row at SelectedRowPosition, moves every
// later row one position down, and opens the editor on the placeholder.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    QTimer* Timer1;
    std::unique_ptr<RecordCursor> Data1;

private:
    void Timer1_Timer();
    void returnToLedger();
};

} // namespace tallowick
