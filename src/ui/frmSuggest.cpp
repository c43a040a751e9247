#include "frmSuggest.h"

#include "MainWindowLayout.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>

#include <algorithm>

using MainWindowLayout::place;

namespace {

// A server that takes the connection but never answers must not leave a request behind for
// good; after this long it counts as not made.
constexpr int kGiveUpMs = 30000;

QString statusAtDesign() {
    return frmSuggest::tr("您的EMAIL?");
}

}  // namespace

frmSuggest::frmSuggest(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSuggest"));
    setWindowTitle(tr("建议和意见"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 9));
    setFixedSize(286, 140);  // 4290 x 2100 twips
    buildLayout();
    MainWindowLayout::scale(this, MainWindowLayout::twipsPerPixelX(this),
                            MainWindowLayout::twipsPerPixelY(this));
    clearFields();
}

frmSuggest::~frmSuggest() {
    dropRequests();
}

void frmSuggest::buildLayout() {
    const auto label = [this](const QString& name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    const auto field = [this](const QString& name, const QString& tip, int maxLength) {
        auto* f = new QLineEdit(this);
        f->setObjectName(name);
        f->setToolTip(tip);
        f->setMaxLength(maxLength);
        return f;
    };
    const auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        // Enter in a field must not send half a form: only a click sends.
        b->setAutoDefault(false);
        return b;
    };
    const auto hotSpot = [this](const QString& name, const QString& tip) {
        auto* spot = new HotSpot(this);
        spot->setObjectName(name);
        spot->setToolTip(tip);
        spot->setCursor(Qt::PointingHandCursor);
        return spot;
    };

    Label1 = label(QStringLiteral("Label1"), tr("姓名："));
    place(Label1, 450, 330, 540, 210);
    txtName = field(QStringLiteral("txtName"), QStringLiteral("Your Name"), 50);
    place(txtName, 1110, 270, 2115, 315);
    Label2 = label(QStringLiteral("Label2"), tr("EMAIL："));
    place(Label2, 300, 720, 690, 210);
    txtEMail = field(QStringLiteral("txtEMail"), QStringLiteral("Email"), 100);
    place(txtEMail, 1110, 660, 2115, 315);
    Label3 = label(QStringLiteral("Label3"), tr("留言："));
    place(Label3, 420, 1110, 540, 210);
    // The captions end at their fields; a longer translation reaches further left.
    for (QLabel* caption : {Label1, Label2, Label3}) {
        MainWindowLayout::fitText(caption, true);
    }
    txtComment = field(QStringLiteral("txtComment"), QString(), 256);
    place(txtComment, 1110, 1050, 2835, 315);
    lblSending = label(QStringLiteral("lblSending"), statusAtDesign());
    place(lblSending, 240, 1590, 1080, 210);

    Command3 = button(QStringLiteral("Command3"), tr("发送"));
    place(Command3, 1830, 1470, 1005, 375);
    Command4 = button(QStringLiteral("Command4"), tr("返回"));
    place(Command4, 2970, 1470, 975, 375);
    // The English pair lies outside the window; the keyboard must not wander onto them unseen.
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Send"));
    place(Command1, 6360, 510, 1275, 405);
    Command1->setFocusPolicy(Qt::NoFocus);
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Back"));
    place(Command2, 5970, 1410, 1275, 405);
    Command2->setFocusPolicy(Qt::NoFocus);

    imgSend = hotSpot(QStringLiteral("imgSend"), QStringLiteral("Send your feedback now"));
    place(imgSend, 4620, 2490, 870, 270);
    imgBack = hotSpot(QStringLiteral("imgBack"), QStringLiteral("back to main"));
    place(imgBack, 5820, 2490, 870, 270);
    imgExit = hotSpot(QStringLiteral("imgExit"), QStringLiteral("Exit"));
    place(imgExit, 6240, 180, 225, 225);

    setTabOrder(txtName, txtEMail);
    setTabOrder(txtEMail, txtComment);
    setTabOrder(txtComment, Command3);
    setTabOrder(Command3, Command4);

    connect(Command1, &QPushButton::clicked, this, &frmSuggest::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &frmSuggest::Command3_Click);
    connect(imgSend, &HotSpot::clicked, this, &frmSuggest::imgSend_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSuggest::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &frmSuggest::Command4_Click);
    connect(imgBack, &HotSpot::clicked, this, &frmSuggest::imgBack_Click);
    connect(imgExit, &HotSpot::clicked, this, &frmSuggest::imgExit_Click);
}

QUrl frmSuggest::requestUrl(const QString& name, const QString& email, const QString& comment) {
    QUrl address(QStringLiteral("http://feedback.vordana.example:80"));
    const QUrl elsewhere(qEnvironmentVariable("VORDANA_FEEDBACK_URL"), QUrl::StrictMode);
    if (elsewhere.isValid() && !elsewhere.host().isEmpty()) {
        address = elsewhere;
        address.setFragment(QString());
    }
    address.setPath(QStringLiteral("/suggest/post.php"));
    // Decoded mode takes every character literally: '&' and '=' stay delimiters as typed, and a
    // typed '%' arrives as a '%' instead of being read as the start of an escape.
    address.setQuery(QStringLiteral("name=") + name + QStringLiteral("&age=") + email +
                         QStringLiteral("&comment=(APE)") + comment,
                     QUrl::DecodedMode);
    return address;
}

void frmSuggest::imgSend_Click() {
    // Only the empty string counts as missing; blanks are sent as they are.
    if (txtName->text().isEmpty()) {
        askFor(tr("您的姓名？"), txtName);
        return;
    }
    if (txtEMail->text().isEmpty()) {
        askFor(tr("您的Email？"), txtEMail);
        return;
    }
    if (txtComment->text().isEmpty()) {
        askFor(tr("您的意见？"), txtComment);
        return;
    }
    lblSending->setText(tr("正在发送..."));
    lblSending->show();
    // The visible send button stays enabled on purpose: pressing it again sends again.
    Command1->setEnabled(false);
    imgSend->setEnabled(false);
    send(requestUrl(txtName->text(), txtEMail->text(), txtComment->text()));
}

void frmSuggest::askFor(const QString& question, QLineEdit* field) {
    lblSending->setText(question);
    lblSending->show();
    field->setFocus();
}

void frmSuggest::send(const QUrl& address) {
    QNetworkRequest request(address);
    request.setTransferTimeout(kGiveUpMs);
    QNetworkReply* reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        // Any answer of the server is "done", an error page too; no answer at all (no network,
        // refused, timed out) leaves "sending" standing and reports nothing.
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
            lblSending->setText(tr("完毕."));
        }
        reply->deleteLater();
    });
}

bool frmSuggest::isSending() const {
    const auto replies = m_network.findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
    return std::any_of(replies.begin(), replies.end(),
                       [](const QNetworkReply* reply) { return reply->isRunning(); });
}

void frmSuggest::imgBack_Click() {
    reject();
}

void frmSuggest::done(int result) {
    dropRequests();
    clearFields();
    QDialog::done(result);
}

void frmSuggest::dropRequests() {
    // An answer arriving after the window has gone must not mark the next one "done".
    for (QNetworkReply* reply :
         m_network.findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly)) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void frmSuggest::clearFields() {
    txtName->clear();
    txtEMail->clear();
    txtComment->clear();
    lblSending->setText(statusAtDesign());
    lblSending->hide();
    Command1->setEnabled(true);
    imgSend->setEnabled(true);
    txtName->setFocus();
}
