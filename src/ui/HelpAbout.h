#pragma once

#include <QString>

// The main window's ways out of the conversion work: the help page, the About box and the web
// link. Everything goes through Prompts, so none of it blocks a test.

// Opens the help page (help.html beside the program) with the desktop's handler. A missing
// page is the handler's to report (or not); the program says nothing.
void openHelp(const QString& helpPage);

// The About box: title "关于", an OK button, no icon, one line naming maker, product, web
// address and year.
void showAbout();

// Opens the maker's web site in the browser.
void openWebSite();

// The notice of the command word "A": maker with year, rights statement and web address, one
// per line, joined by CR LF.
QString noticeText();

// The maker's web address, as the About box, the notice and the web link give it.
QString makerWebAddress();
