#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

namespace tallowick {

// The first window: product name, logo and version, for 1500 ms. A key press
// or a click on the frame ends the program before the agreement appears.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    QFrame* Frame1;
    QLabel* lblCompanyProduct;
    QLabel* lblProductName;
    QLabel* imgLogo;
    QLabel* lblVersion;
    QLabel* lblCompany;
    QLabel* lblWarning;
    QTimer* Timer1;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Timer1_Timer();
    void dismiss();

    // A left button went down on the frame and is not yet released.
    bool framePressed_ = false;
};

} // namespace tallowick
