#pragma once

#include <string>
#include <vector>

// A fresh folder under $TMPDIR (or /tmp) made with mkdtemp, removed with its contents when the
// object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

    // Writes `text` to `name` in the folder; returns the full path.
    std::string write(const std::string& name, const std::string& text) const;

    // Writes `text` to `name` and makes it executable; returns the full path.
    std::string writeExecutable(const std::string& name, const std::string& text) const;

    // Writes a /bin/sh script with the given body and makes it executable; returns its path.
    std::string writeScript(const std::string& name, const std::string& body) const {
        return writeExecutable(name, "#!/bin/sh\n" + body);
    }

private:
    std::string m_path;
};

// The contents of a file ("" when it cannot be read).
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// The names in `folder`, sorted, without "." and "..".
std::vector<std::string> folderEntries(const std::string& folder);
