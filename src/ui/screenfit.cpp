#include "ui/screenfit.h"

#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>

void makePagesScrollable(QTabWidget* pages)
{
    for (int i = 0; i < pages->count(); ++i) {
        QWidget* page = pages->widget(i);
        const QString text = pages->tabText(i);
        auto* scroll = new QScrollArea;
        scroll->setObjectName(page->objectName() + QStringLiteral("Scroll"));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        pages->removeTab(i);
        scroll->setWidget(page);
        pages->insertTab(i, scroll, text);
    }
}

void fitIntoScreen(QWidget* window)
{
    if (const QScreen* screen = window->screen())
        window->resize(window->size().boundedTo(screen->availableSize()));
}
