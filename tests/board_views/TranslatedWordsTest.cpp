// Every word a person reads on the board comes through the translator. A
// translator that writes all it translates in fullwidth letters is installed
// before the window is built; afterwards no plain Latin word may be left in
// the window but the library's own data (notes, app names, tags, people,
// short ids, history details).
#include "BoardFixture.h"

#include "board/BoardView.h"
#include "board/CaptureDetailView.h"
#include "board/DashboardViewModel.h"
#include "board/NewGroupDialog.h"
#include "store/RemoteApplier.h"
#include "ui/KeyCaps.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTranslator>
#include <QTreeWidget>

namespace {

// Placeholders (%1, %n) and punctuation stay, so the code's own arg() and split() still work.
class FullwidthTranslator : public QTranslator {
public:
    QString translate(const char*, const char* source, const char*, int) const override {
        QString text = QString::fromUtf8(source);
        for (QChar& c : text) {
            if (c >= u'A' && c <= u'Z')
                c = QChar(0xFF21 + (c.unicode() - u'A'));
            else if (c >= u'a' && c <= u'z')
                c = QChar(0xFF41 + (c.unicode() - u'a'));
        }
        return text;
    }
    bool isEmpty() const override { return false; }
};

// The texts a person can read in a widget and everything inside it, shown now or later.
QStringList readableTexts(QWidget* root) {
    QStringList texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        // Key caps show key names, the shortcut vocabulary of app/keys, not the board's words.
        if (qobject_cast<KeyCaps*>(w->parentWidget()))
            continue;
        texts << w->toolTip();
        if (w->isWindow())
            texts << w->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        if (auto* field = qobject_cast<QLineEdit*>(w))
            texts << field->placeholderText();
        if (auto* field = qobject_cast<QPlainTextEdit*>(w))
            texts << field->placeholderText();
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                texts << tree->topLevelItem(i)->text(0) << tree->topLevelItem(i)->toolTip(0);
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text() << list->item(i)->toolTip();
        for (QAction* action : w->actions())
            texts << action->text();
    }
    texts.removeAll(QString());
    return texts;
}

class TranslatedWords : public BoardFixture {
protected:
    void SetUp() override {
        BoardFixture::SetUp();
        window.reset();
        QCoreApplication::installTranslator(&translator);
        RemoteApplier(*store).upsertPerson(Person{"u-ada", "Ada", std::nullopt, std::nullopt, "person"});
        RemoteApplier(*store).upsertPerson(Person{"u-bot", "Triage", std::nullopt, std::nullopt, "bot"});
        library->reload();
        ASSERT_TRUE(library->createGroup("Web"));
        ASSERT_TRUE(library->addComment("Reproduced on build 124", crash));
        window = std::make_unique<DashboardWindow>(*library);
        window->show();
    }

    void TearDown() override {
        BoardFixture::TearDown();
        QCoreApplication::removeTranslator(&translator);
    }

    // The texts with plain words left once markup and the library's data are taken out.
    QStringList untranslated(QWidget* root) {
        // The new group dialog's example folder and its colours' codes are no words either.
        QStringList data{"Zorvi", "Ada", "Triage", "Web", "checkout", "Reproduced on build 124", "~/dev/zorvi"};
        data << Library::groupColors;
        for (const QString& id : {crash, layout, fixed}) {
            const Capture c = *stored(id);
            data << c.note << c.context.appName.value_or(QString()) << c.shortID();
            for (const ActivityEvent& e : store->activity(id))
                data << e.actor << e.detail;
        }
        static const QRegularExpression markup("<[^>]*>|&[a-z]+;"), words("[A-Za-z]{2,}");
        QStringList plain;
        for (const QString& text : readableTexts(root)) {
            QString rest = text;
            rest.remove(markup);
            for (const QString& d : data)
                if (!d.isEmpty())
                    rest.remove(d);
            if (rest.contains(words))
                plain << text;
        }
        return plain;
    }

    FullwidthTranslator translator;
};

TEST_F(TranslatedWords, NothingOnTheBoardTheDetailOrTheNewGroupDialogReadsUntranslated) {
    // The board, its sidebar and its empty page for a search with no matches.
    window->boardView()->searchField()->setText("nothing matches this");
    ASSERT_TRUE(processEventsUntil([&] { return window->findChild<QLabel*>("emptyTitle")->isVisible(); }));
    EXPECT_EQ(untranslated(window.get()), QStringList());
    window->boardView()->searchField()->clear();

    // The detail of a capture with a screenshot, a comment, history and people to assign.
    window->board().select(crash);
    ASSERT_TRUE(processEventsUntil([&] { return window->detailView()->isVisible(); }));
    EXPECT_EQ(untranslated(window.get()), QStringList());
    // And of one filed as text, which invites a screenshot.
    window->board().select(layout);
    ASSERT_TRUE(processEventsUntil([&] { return window->detailView()->captureID() == layout; }));
    EXPECT_EQ(untranslated(window.get()), QStringList());

    NewGroupDialog dialog(window->board(), window.get());
    EXPECT_EQ(untranslated(&dialog), QStringList());
}

} // namespace
