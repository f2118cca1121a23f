#include "ui/ui_main_layout.h"

#include "ui/ui_layout_parts.h"

#include <QMainWindow>
#include <QTabWidget>

namespace rv {

namespace {

constexpr QSize kTabSize(1000, 680);
constexpr int kMargin = 8;

const char* const kPageCaptions[8] = {
    "1. Identification", "2. Installation", "3. Readings",      "4. Load v Time",
    "5. Disp v Time",    "6. Load v Length", "7. Disp v Length", "8. Utilities",
};

} // namespace

void buildMainUi(QWidget* window, MainUi& ui)
{
    // The tab control is placed by hand (the window moves it when it is
    // maximised), so it is a plain child of the client area, not in a layout.
    QWidget* client = window;
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        client = new QWidget(main);
        client->setObjectName(QStringLiteral("centralWidget"));
        main->setCentralWidget(client);
    }

    ui.SSTab1 = new QTabWidget(client);
    ui.SSTab1->setObjectName(QStringLiteral("SSTab1"));
    // The design size; a larger window gives it more (fitMainUi).
    ui.SSTab1->setMinimumSize(kTabSize);
    ui.SSTab1->resize(kTabSize);
    ui.SSTab1->move(kMargin, kMargin);
    for (int i = 0; i < 8; ++i) {
        ui.page[i] = new QWidget;
        ui.page[i]->setObjectName(QStringLiteral("SSTab1_page%1").arg(i));
        ui.SSTab1->addTab(ui.page[i], QString::fromLatin1(kPageCaptions[i]));
    }

    layout::buildIdentificationPage(ui.page[0], ui);
    layout::buildInstallationPage(ui.page[1], ui);
    layout::buildReadingsPage(ui.page[2], ui);
    layout::buildGraphPages(&ui.page[3], ui);
    layout::buildUtilitiesPage(ui.page[7], ui);

    ui.SSTab1->setCurrentIndex(0);
    window->resize(kTabSize.width() + 2 * kMargin, kTabSize.height() + 2 * kMargin);
}

void fitMainUi(MainUi& ui, const QSize& clientArea)
{
    if (!ui.SSTab1)
        return;
    const QSize size = kTabSize.expandedTo(clientArea - QSize(2 * kMargin, 2 * kMargin));
    if (ui.SSTab1->size() != size)
        ui.SSTab1->resize(size);
    layout::growGraphPages(ui, size - kTabSize);
}

} // namespace rv
