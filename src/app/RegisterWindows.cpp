#include "RegisterWindows.h"

#include "Form1.h"
#include "Form2.h"
#include "Form3.h"
#include "Form4.h"
#include "Form5.h"
#include "Form6.h"
#include "WindowRegistry.h"
#include "frmFind.h"
#include "frmLedger.h"
#include "frmReconcile.h"
#include "frmStatement.h"
#include "frmReport.h"
#include "frmSplash.h"

namespace tallowick {

void RegisterWindows()
{
    auto& registry = WindowRegistry::instance();
    registry.define(QStringLiteral("frmSplash"), [] { return new frmSplash; });
    registry.define(QStringLiteral("Form2"), [] { return new Form2; });
    registry.define(QStringLiteral("Form4"), [] { return new Form4; });
    registry.define(QStringLiteral("frmLedger"), [] { return new frmLedger; });
    registry.define(QStringLiteral("Form3"), [] { return new Form3; });
    registry.define(QStringLiteral("Form1"), [] { return new Form1; });
    registry.define(QStringLiteral("Form5"), [] { return new Form5; });
    registry.define(QStringLiteral("Form6"), [] { return new Form6; });
    registry.define(QStringLiteral("frmReport"), [] { return new frmReport; });
    registry.define(QStringLiteral("frmFind"), [] { return new frmFind; });
    registry.define(QStringLiteral("frmReconcile"), [] { return new frmReconcile; });
    registry.define(QStringLiteral("frmStatement"), [] { return new frmStatement; });
}

} // namespace tallowick
