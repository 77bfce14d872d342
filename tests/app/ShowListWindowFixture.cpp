#include "ShowListWindowFixture.h"

#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QTest>
#include <algorithm>

namespace testing_support {

namespace {

const QSize kMarkerSize(7, 3);

void click(QListWidget* list, QListWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

}  // namespace

void ShowListWindowTest::SetUp() {
    start();
    ASSERT_TRUE(tray->isVisible());
}

void ShowListWindowTest::browseTo(const QString& path) { tray->browser().openFolder(path); }

void ShowListWindowTest::clickFile(const QString& name) {
    const QList<QListWidgetItem*> found = tray->File1->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    click(tray->File1, found.first());
}

void ShowListWindowTest::clickEntry(int row) { click(tray->ShowList, tray->ShowList->item(row)); }

QStringList ShowListWindowTest::entries() const {
    const QStringList names = showListNames(), paths = pathsList(), times = timesList();
    QStringList lines;
    const qsizetype longest = std::max({names.size(), paths.size(), times.size()});
    for (qsizetype i = 0; i < longest; ++i)
        lines << names.value(i, "?") + '|' + paths.value(i, "?") + '|' + times.value(i, "?");
    return lines;
}

void ShowListWindowTest::addEntry(const QString& name, const QString& path, const QString& time) {
    tray->showLists().append({name, path, time});
}

QImage ShowListWindowTest::preview() const { return tray->picPreview->pixmap().toImage(); }

void ShowListWindowTest::markPreview() {
    QPixmap marker(kMarkerSize);
    marker.fill(Qt::green);
    tray->picPreview->setPixmap(marker);
}

bool ShowListWindowTest::previewIsMarker() const { return previewSize() == kMarkerSize; }

}  // namespace testing_support
