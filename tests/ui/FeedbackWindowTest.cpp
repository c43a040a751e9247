#include "MainWindowLayout.h"
#include "frmSuggest.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <string>
#include <vector>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// A web server on 127.0.0.1 that records each request line and answers with `statusLine` and a
// tiny page -- or, while holding, keeps the request unanswered.
class LocalWebServer : public QObject {
public:
    explicit LocalWebServer(QByteArray statusLine = "HTTP/1.0 200 OK")
        : m_statusLine(std::move(statusLine)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    m_pending.remove(socket);
                    socket->deleteLater();
                });
            }
        });
    }

    ~LocalWebServer() override {
        // The connections are the server's children and outlive this object's own members.
        for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>()) {
            socket->disconnect(this);
        }
    }

    QByteArray address() const {
        return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort());
    }
    void hold() { m_holding = true; }
    void answerHeld() {
        m_holding = false;
        for (const QPointer<QTcpSocket>& socket : std::as_const(m_held)) {
            if (socket) {
                answer(socket);
            }
        }
        m_held.clear();
    }

    std::vector<std::string> requestLines;  // as text, so a mismatch prints readably

private:
    void read(QTcpSocket* socket) {
        QByteArray& text = m_pending[socket];
        text += socket->readAll();
        if (!text.contains("\r\n\r\n")) {
            return;
        }
        requestLines.push_back(text.left(text.indexOf("\r\n")).toStdString());
        m_pending.remove(socket);
        if (m_holding) {
            m_held << socket;
        } else {
            answer(socket);
        }
    }
    void answer(QTcpSocket* socket) {
        socket->write(m_statusLine + "\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nok");
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_statusLine;
    bool m_holding = false;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_held;
};

class FeedbackWindow : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("VORDANA_FEEDBACK_URL"); }

    void useServer(const LocalWebServer& server) {
        qputenv("VORDANA_FEEDBACK_URL", server.address());
    }
    static void fill(frmSuggest& w, const QString& name, const QString& email,
                     const QString& comment) {
        w.txtName->setText(name);
        w.txtEMail->setText(email);
        w.txtComment->setText(comment);
    }
    static bool waitForDone(const frmSuggest& w) {
        return QTest::qWaitFor([&] { return w.lblSending->text() == u("完毕."); }, 10000);
    }

    // Any message box would fail the test: the window reports only in its status line.
    ScriptedPrompts m_prompts;
};

}  // namespace

TEST_F(FeedbackWindow, ControlsSitWhereDesignedAndTheRequestGoesToOurHost) {
    frmSuggest w;
    ASSERT_EQ(MainWindowLayout::twipsPerPixelX(&w), 15.0) << "the offscreen display is 96 dpi";
    EXPECT_EQ(w.windowTitle(), u("建议和意见"));
    EXPECT_EQ(w.size(), QSize(286, 140));
    EXPECT_EQ(w.txtName->geometry(), QRect(74, 18, 141, 21));
    EXPECT_EQ(w.Command3->geometry(), QRect(122, 98, 67, 25));
    EXPECT_EQ(w.txtName->maxLength(), 50);
    EXPECT_EQ(w.txtEMail->maxLength(), 100);
    EXPECT_EQ(w.txtComment->maxLength(), 256);
    const struct {
        HotSpot* spot;
        QRect pixels;
        const char* tip;
    } spots[] = {{w.imgSend, {308, 166, 58, 18}, "Send your feedback now"},
                 {w.imgBack, {388, 166, 58, 18}, "back to main"},
                 {w.imgExit, {416, 12, 15, 15}, "Exit"}};
    for (const auto& s : spots) {
        EXPECT_EQ(s.spot->geometry(), s.pixels) << s.tip;
        EXPECT_EQ(s.spot->toolTip(), s.tip);
        EXPECT_EQ(s.spot->cursor().shape(), Qt::PointingHandCursor) << s.tip;
    }
    EXPECT_TRUE(w.lblSending->isHidden());

    const QUrl address = frmSuggest::requestUrl("Li", "E", "good");
    EXPECT_EQ(
        address.toString(QUrl::FullyEncoded),
        "http://feedback.vordana.example:80/suggest/post.php?name=Li&age=E&comment=(APE)good");
}

TEST_F(FeedbackWindow, SendsTheTextsAsTypedAndShowsDoneWhenAnswered) {
    LocalWebServer server;
    useServer(server);
    frmSuggest w;
    fill(w, "Li", "E", "good");
    w.Command3_Click();
    EXPECT_EQ(w.lblSending->text(), u("正在发送..."));
    EXPECT_FALSE(w.lblSending->isHidden());
    EXPECT_FALSE(w.Command1->isEnabled());
    EXPECT_FALSE(w.imgSend->isEnabled());
    EXPECT_TRUE(w.Command3->isEnabled()) << "the visible button may send again";
    ASSERT_TRUE(waitForDone(w));
    ASSERT_EQ(server.requestLines.size(), 1u);
    EXPECT_EQ(server.requestLines[0],
              "GET /suggest/post.php?name=Li&age=E&comment=(APE)good HTTP/1.1");
    EXPECT_EQ(w.txtComment->text(), "good") << "the fields keep their texts";

    // '&' and '=' keep their meaning in the query; blanks, Chinese, '#' and a '%' that looks
    // like an escape arrive as typed ('+' stays '+', as a browser sends it).
    fill(w, "Li Ming", u("李@x.cn"), u("a&b=c 好 %41#1+2"));
    w.Command3_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestLines.size() == 2u; }, 10000));
    EXPECT_EQ(server.requestLines[1],
              "GET /suggest/post.php?name=Li%20Ming&age=%E6%9D%8E@x.cn"
              "&comment=(APE)a&b=c%20%E5%A5%BD%20%2541%231+2 HTTP/1.1");
}

TEST_F(FeedbackWindow, EmptyFieldsAreAskedForInTurnAndNothingIsSent) {
    LocalWebServer server;
    useServer(server);
    frmSuggest w;
    const struct {
        const char* name;
        const char* email;
        const char* question;
        QLineEdit* focus;
    } steps[] = {{"", "", "您的姓名？", w.txtName},
                 {"Li", "", "您的Email？", w.txtEMail},
                 {"Li", "E", "您的意见？", w.txtComment}};
    for (const auto& step : steps) {
        fill(w, u(step.name), u(step.email), QString());
        w.imgSend_Click();
        EXPECT_EQ(w.lblSending->text(), u(step.question));
        EXPECT_FALSE(w.lblSending->isHidden());
        EXPECT_EQ(w.focusWidget(), step.focus) << step.question;
        EXPECT_FALSE(w.isSending()) << step.question;
        EXPECT_TRUE(w.Command1->isEnabled()) << step.question;
    }
    // A blank is text: it is sent, not asked for.
    fill(w, "Li", "E", " ");
    w.imgSend_Click();
    ASSERT_TRUE(waitForDone(w));
    QTest::qWait(100);
    ASSERT_EQ(server.requestLines.size(), 1u) << "the incomplete forms sent nothing";
    EXPECT_EQ(server.requestLines[0],
              "GET /suggest/post.php?name=Li&age=E&comment=(APE)%20 HTTP/1.1");
}

TEST_F(FeedbackWindow, ClosingEmptiesTheWindowAndALateAnswerIsIgnored) {
    LocalWebServer server;
    server.hold();
    useServer(server);
    frmSuggest w;
    fill(w, "Li", "E", "good");
    w.imgSend_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestLines.size() == 1u; }, 10000));
    QTest::mouseClick(w.Command4, Qt::LeftButton);
    server.answerHeld();
    QTest::qWait(200);

    // Reopened the way the main window does it: the same object, shown modally.
    bool shown = false;
    m_prompts.expectModal([&](QObject* window) {
        auto* again = qobject_cast<frmSuggest*>(window);
        ASSERT_NE(again, nullptr);
        shown = true;
        EXPECT_TRUE(again->txtName->text().isEmpty());
        EXPECT_TRUE(again->txtEMail->text().isEmpty());
        EXPECT_TRUE(again->txtComment->text().isEmpty());
        EXPECT_TRUE(again->lblSending->isHidden());
        EXPECT_NE(again->lblSending->text(), u("完毕.")) << "the answer came after the close";
        EXPECT_TRUE(again->Command1->isEnabled());
        EXPECT_TRUE(again->imgSend->isEnabled());
        EXPECT_FALSE(again->isSending());
        again->imgExit_Click();
    });
    Prompts::current().showModal(&w);
    EXPECT_TRUE(shown);

    // Closing from the title bar of a shown window unloads it all the same.
    w.show();
    fill(w, "Li", "E", "good");
    w.close();
    EXPECT_TRUE(w.txtName->text().isEmpty());
    EXPECT_TRUE(w.txtComment->text().isEmpty());
}

TEST_F(FeedbackWindow, AnyAnswerIsDoneNoAnswerLeavesSendingAndNothingBreaks) {
    LocalWebServer notFound("HTTP/1.0 404 Not Found");
    useServer(notFound);
    frmSuggest w;
    fill(w, "Li", "E", "good");
    w.imgSend_Click();
    EXPECT_TRUE(waitForDone(w)) << "an error page is an answer";

    quint16 closedPort = 0;
    {
        QTcpServer gone;
        ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
        closedPort = gone.serverPort();
    }
    qputenv("VORDANA_FEEDBACK_URL", "http://127.0.0.1:" + QByteArray::number(closedPort));
    w.imgSend_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isSending(); }, 10000));
    EXPECT_EQ(w.lblSending->text(), u("正在发送..."));

    // A window destroyed while its request waits for an answer leaves nothing behind to fire.
    LocalWebServer silent;
    silent.hold();
    useServer(silent);
    {
        frmSuggest doomed;
        fill(doomed, "Li", "E", "good");
        doomed.imgSend_Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return silent.requestLines.size() == 1u; }, 10000));
    }
    silent.answerHeld();
    QTest::qWait(100);
}
