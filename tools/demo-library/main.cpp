// Fills the library in ZORVI_HOME with a dozen believable captures, for
// screenshots and demos: real pictures cropped from the test data, one
// rendered form, statuses, priorities, tags, groups, markup and comments from
// people and agents. Everything goes through the store and the image writer,
// as a capture from the app would.
//
//   zorvi-demo-library <folder with the test pictures>

#include "capture/AttachmentService.h"
#include "capture/ImageWriter.h"
#include "common/Identifiers.h"
#include "common/ZorviError.h"
#include "markup/AnnotationPalette.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>

namespace {

struct Crop {
    QString file;
    QRect area; // empty: the whole picture
};

struct Remark {
    QString author;
    bool isAgent = false;
    QString body;
    int minutesAgo = 0;
};

struct DemoCapture {
    int minutesAgo;
    QString note;
    QString app, windowTitle, url;
    std::optional<Crop> picture; // none: an issue without a screenshot
    CaptureStatus status = CaptureStatus::open;
    CapturePriority priority = CapturePriority::normal;
    QString group;
    QStringList tags;
    QList<Remark> remarks;
    QString claimedBy;
    QString resolution;
    bool marked = false;
};

const QString checkoutForm = QStringLiteral("checkout-form");

// A checkout page whose Pay button stayed disabled: what a web shop bug looks like.
QImage renderCheckoutForm() {
    QWidget page;
    page.setAutoFillBackground(true);
    page.setFixedSize(720, 450);
    auto* layout = new QVBoxLayout(&page);
    layout->setContentsMargins(48, 36, 48, 36);
    auto* title = new QLabel("Checkout");
    QFont big = title->font();
    big.setPixelSize(26);
    big.setBold(true);
    title->setFont(big);
    layout->addWidget(title);
    layout->addWidget(new QLabel("Acme Store · 1 item · Standing desk lamp"));
    layout->addSpacing(12);
    auto* form = new QFormLayout;
    form->setVerticalSpacing(12);
    form->addRow("Email", new QLineEdit("ann@example.com"));
    form->addRow("Card number", new QLineEdit("4242 4242 4242 4242"));
    form->addRow("Expiry", new QLineEdit("12 / 28"));
    form->addRow("CVC", new QLineEdit("123"));
    layout->addLayout(form);
    layout->addSpacing(12);
    auto* total = new QLabel("<b>Total</b>&nbsp;&nbsp;$49.00");
    layout->addWidget(total);
    auto* pay = new QPushButton("Pay $49.00");
    pay->setEnabled(false);
    pay->setMinimumHeight(40);
    layout->addWidget(pay);
    layout->addStretch();
    page.ensurePolished();
    return page.grab().toImage();
}

QImage picture(const QDir& data, const Crop& crop) {
    const QImage whole = crop.file == checkoutForm ? renderCheckoutForm() : QImage(data.filePath(crop.file));
    if (whole.isNull())
        throw std::runtime_error("cannot read " + data.filePath(crop.file).toStdString());
    return crop.area.isEmpty() ? whole : whole.copy(crop.area);
}

// A box around the disabled button and an arrow pointing at it.
Annotation markup() {
    const QString red = AnnotationPalette::defaultColor();
    const double width = AnnotationPalette::widthValue(AnnotationPalette::defaultWidthIndex);
    Annotation a;
    a.shapes.append({Identifiers::make(), AnnotationTool::rectangle, red, width, {{0.045, 0.585}, {0.955, 0.70}}});
    a.shapes.append({Identifiers::make(), AnnotationTool::arrow, red, width, {{0.80, 0.88}, {0.72, 0.72}}});
    return a;
}

QList<DemoCapture> demoCaptures() {
    const Crop docPage{"doc-page-1280x720.png", {}};
    const Crop inlineCode{"doc-page-1280x720.png", {560, 500, 720, 220}};
    const Crop apiDocs{"api-docs-dark-960x540.png", {}};
    const Crop sidebar{"api-docs-dark-960x540.png", {0, 360, 420, 180}};
    const Crop photo{"ui-with-photo-480x270.png", {}};
    const Crop heading{"doc-page-1280x720.png", {0, 20, 1040, 110}};
    const Crop codeBlock{"api-docs-dark-960x540.png", {180, 100, 780, 130}};
    const QString claude = "Claude Code";
    return {
        {4900, "Favicon missing on the staging site", "Firefox", "Staging — Acme Store",
         "https://staging.shop.example.com/", std::nullopt, CaptureStatus::archived, CapturePriority::low, "Store",
         {"staging"}, {}, {}, {}, false},
        {3100, "Card number field accepts letters\nTyping \"4242 abcd\" is allowed and only fails after Pay.",
         "Firefox", "Checkout — Acme Store", "https://shop.example.com/checkout",
         Crop{checkoutForm, {48, 90, 640, 150}},
         CaptureStatus::resolved, CapturePriority::normal, "Checkout", {"checkout", "validation"},
         {{claude, true, "The card field now filters to digits and spaces; covered by checkout.test.ts.", 2950}}, {},
         "PR #482", false},
        {2600, "Inline code boxes are too tight\nThe beige background touches the letters; needs 2px more padding.",
         "Firefox", "Storing UTF-8 Encoded Text with Strings", "https://docs.example.com/book/ch08-02-strings.html",
         inlineCode, CaptureStatus::resolved, CapturePriority::low, "Docs site", {"docs", "css"},
         {{claude, true, "Padding raised to 0.15em 0.3em in code.css.", 2500}}, {}, "a1c9e04", false},
        {1500, "Search ignores accents\n\"cafe\" finds nothing although the menu lists \"Café crème\".", "Firefox",
         "Menu — Acme Café", "https://cafe.example.com/menu",
         std::nullopt, CaptureStatus::open, CapturePriority::normal, "Store", {"search"}, {}, {}, {}, false},
        {900, "Product photo is blurry on HiDPI screens\nThe 480 px image is upscaled; we need a 2x source.",
         "Firefox", "Pin header, 40 pins — Acme Store", "https://shop.example.com/p/pin-header-40",
         photo, CaptureStatus::open, CapturePriority::high, "Store", {"images", "hidpi"},
         {{"Ann", false, "Same on the category pages.", 850}}, {}, {}, false},
        {420, "Sidebar items end in \"…\" even when there's room", "Firefox", "HashMap in std::collections",
         "https://docs.example.com/std/collections/struct.HashMap.html", sidebar, CaptureStatus::open,
         CapturePriority::normal, "Docs site", {"docs", "sidebar"}, {}, {}, {}, false},
        {240,
         "HashMap signature is cut off in the dark theme\nThe code block doesn't scroll; \"RandomState\" is hidden "
         "past the right edge.",
         "Firefox", "HashMap in std::collections", "https://docs.example.com/std/collections/struct.HashMap.html",
         apiDocs, CaptureStatus::inProgress, CapturePriority::high, "Docs site", {"docs", "dark-mode"},
         {{claude, true, "Claimed. The block has overflow: hidden from the theme reset; switching it to auto.", 200},
          {"Ann", false, "Please check the light theme too.", 150}},
         claude, {}, false},
        {1200, "Chapter headings are too heavy on Linux\nThe bold weight falls back to Black; use 700.", "Firefox",
         "Storing UTF-8 Encoded Text with Strings", "https://docs.example.com/book/ch08-02-strings.html", heading,
         CaptureStatus::resolved, CapturePriority::low, "Docs site", {"docs", "fonts"}, {}, {}, "b7f21d3", false},
        {150, "Code blocks in the dark theme have no copy button", "Firefox", "HashMap in std::collections",
         "https://docs.example.com/std/collections/struct.HashMap.html", codeBlock, CaptureStatus::open,
         CapturePriority::normal, "Docs site", {"docs", "dark-mode"},
         {{"Codex", true, "The button is rendered but has the background colour as its fill.", 130}}, {}, {}, false},
        {95, "Add a keyboard shortcut for \"Mark resolved\"", "Zorvi", "Zorvi", "", std::nullopt, CaptureStatus::open,
         CapturePriority::low, "", {"idea"}, {}, {}, {}, false},
        {60, "Body text is cut off at the right edge\nAt 1280×720 the paragraphs don't wrap; the last words of each "
             "line are hidden.",
         "Firefox", "Storing UTF-8 Encoded Text with Strings", "https://docs.example.com/book/ch08-02-strings.html",
         docPage, CaptureStatus::open, CapturePriority::high, "Docs site", {"docs", "layout"},
         {{"Codex", true, "Reproduced at 1280 px; the main column has a fixed min-width of 1320px.", 40}}, {}, {},
         false},
        {25, "Pay button stays disabled with a valid card\nFill in the test card 4242… and the button never "
             "enables. Firefox only; Chromium is fine.",
         "Firefox", "Checkout — Acme Store", "https://shop.example.com/checkout", Crop{checkoutForm, {}},
         CaptureStatus::open, CapturePriority::high, "Checkout", {"checkout", "payments"}, {}, {}, {}, true},
    };
}

struct Group {
    QString name, color;
};

void seed(CaptureStore& store, const QDir& data) {
    QMap<QString, QString> groupIDs;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const Group& g : {Group{"Checkout", "#E5484D"}, Group{"Docs site", "#6E7BF2"}, Group{"Store", "#30A46C"}}) {
        CaptureGroup group;
        group.id = Identifiers::make();
        group.name = g.name;
        group.colorHex = g.color;
        group.createdAt = group.updatedAt = now.addDays(-7);
        groupIDs[g.name] = store.upsertGroup(group).id;
    }
    const AttachmentService attachments;
    for (const DemoCapture& d : demoCaptures()) {
        const QDateTime at = now.addSecs(-60 * d.minutesAgo);
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = at;
        c.note = d.note;
        c.priority = d.priority;
        c.captureMode = d.picture ? CaptureMode::region : CaptureMode::text;
        if (!d.app.isEmpty()) {
            c.appName = d.app;
            c.appBundleID = d.app == u"Firefox" ? "firefox-esr" : "dev.zorvi.Zorvi";
            c.windowTitle = d.windowTitle;
            if (!d.url.isEmpty())
                c.url = d.url;
            c.displayName = "Built-in display";
            c.displayScale = 1;
        }
        if (!d.group.isEmpty())
            c.groupID = groupIDs.value(d.group);
        std::optional<CaptureImage> image;
        if (d.picture) {
            image.emplace();
            image->id = Identifiers::make();
            image->captureID = c.id;
            image->createdAt = at;
            image->position = -1;
            const ImageWriter::Written w = ImageWriter::write(picture(data, *d.picture), image->id, at);
            image->imagePath = c.imagePath = w.relativePath;
            image->thumbPath = c.thumbPath = w.thumbRelativePath;
            image->width = c.imageWidth = w.width;
            image->height = c.imageHeight = w.height;
            image->bytes = c.imageBytes = w.byteCount;
        }
        store.insert(c);
        if (image) {
            const CaptureImage stored = store.addImage(*image);
            if (d.marked)
                attachments.saveAnnotation(markup(), stored, store);
        }
        store.setTags(d.tags, c.id);
        for (const Remark& r : d.remarks) {
            Comment comment;
            comment.id = Identifiers::make();
            comment.captureID = c.id;
            comment.author = r.author;
            comment.isAgent = r.isAgent;
            comment.body = r.body;
            comment.createdAt = now.addSecs(-60 * r.minutesAgo);
            store.addComment(comment);
        }
        if (!d.claimedBy.isEmpty())
            store.claim(c.id, d.claimedBy);
        if (d.status == CaptureStatus::resolved)
            store.resolve(c.id, d.resolution, "Claude Code");
        else if (d.status != CaptureStatus::open && d.status != CaptureStatus::inProgress)
            store.setStatus(c.id, d.status, "you");
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The rendered form looks the same on every machine.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(QApplication::style()->standardPalette());
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder with the test pictures>\n", argv[0]);
        return 2;
    }
    try {
        ZorviPaths::ensureDirectories();
        CaptureStore store(ZorviPaths::databaseURL());
        if (!store.captures({}).empty()) {
            std::fprintf(stderr, "%s already holds captures; give an empty ZORVI_HOME\n",
                         qPrintable(ZorviPaths::support()));
            return 1;
        }
        seed(store, QDir(QString::fromLocal8Bit(argv[1])));
    } catch (const ZorviError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
