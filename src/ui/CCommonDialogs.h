#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <QtGlobal>

// The standard dialogs behind a property-and-method interface: set the properties, call a Show
// method, and read the properties it filled in when it returned true. The dialogs themselves
// come from Prompts::current(), so this class never shows a window of its own and tests can
// script every answer.
class CCommonDialogs {
public:
    bool FontUnderline() const { return m_fontUnderline; }
    void setFontUnderline(bool value) { m_fontUnderline = value; }
    bool FontItalic() const { return m_fontItalic; }
    void setFontItalic(bool value) { m_fontItalic = value; }
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool value) { m_fontBold = value; }
    int FontSize() const { return m_fontSize; }
    void setFontSize(int points) { m_fontSize = points; }
    QString FontName() const { return m_fontName; }
    void setFontName(const QString& value) { m_fontName = value; }
    // 0x00BBGGRR.
    quint32 Color() const { return m_color; }
    void setColor(quint32 value) { m_color = value; }
    QString DefExt() const { return m_defExt; }
    void setDefExt(const QString& value) { m_defExt = value; }

    // These four keep what they are given; reading stops at the first NUL character, as the
    // dialogs that fill them hand back terminated buffers.
    QString Title() const;
    void setTitle(const QString& value) { m_title = value; }
    QString Path() const;
    void setPath(const QString& value) { m_path = value; }
    QString FileTitle() const;
    void setFileTitle(const QString& value) { m_fileTitle = value; }
    QString FileName() const;
    void setFileName(const QString& value) { m_fileName = value; }

    // "description|pattern|description|pattern...".
    QString Filter() const { return m_filter; }
    void setFilter(const QString& value) { m_filter = value; }

    void Init(QWidget* owner) { m_owner = owner; }
    QWidget* owner() const { return m_owner; }

    // Each returns true when the user confirmed; only then do the properties change.
    bool ShowPrinter();
    bool ShowFolder();
    bool ShowColor(bool fullOpen);
    bool ShowFont();
    bool ShowOpen();
    bool ShowPrinterProperties();
    bool ShowSave();

private:
    void takeChosenFile(const QString& chosen);

    QString m_fileTitle;
    QString m_path;
    QString m_filter;
    QString m_fileName;
    quint32 m_color = 0;
    QString m_title;
    QPointer<QWidget> m_owner;
    QString m_defExt;
    QString m_fontName;
    int m_fontSize = 0;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    bool m_fontUnderline = false;
    // Where the next open dialog starts: the folder of the last confirmed one. Kept here rather
    // than by moving the process's current folder, which would change how every relative path
    // in the program resolves.
    QString m_openFolder;
};
