#include "TagWriting.h"

#include "CheckedIo.h"
#include "MpegAudio.h"

#include <attachedpictureframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <opusfile.h>
#include <tiostream.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// -----------------------------------------------------------------------------------------
// MP3

// ID3v2.4 with UTF-8 text: 2.4 has TDRC for the full recording date (2.3 only TYER and TDAT),
// keeps several values of one field apart, and UTF-8 carries any script; TagLib writes all of
// its frames in UTF-8 when asked for 2.4.
TagLib::ByteVector renderId3v2(const TagLib::PropertyMap& fields,
                               const std::optional<Picture>& cover) {
    TagLib::ID3v2::Tag tag;
    tag.setProperties(fields);
    if (cover) {
        auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
        frame->setTextEncoding(TagLib::String::UTF8);
        frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        frame->setMimeType(cover->mimeType);
        frame->setDescription(cover->description);
        frame->setPicture(cover->data);
        tag.addFrame(frame);  // the tag owns it
    }
    return tag.render(TagLib::ID3v2::v4);
}

std::string writeFailure() {
    return std::string("cannot write the tags: ") + std::strerror(errno);
}

// Puts `tag` in place of the ID3v2 tag at the start of the file (if any).
std::optional<std::string> replaceLeadingTag(const std::string& path,
                                             const TagLib::ByteVector& tag) {
    Descriptor file(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0) {
        return writeFailure();
    }
    std::array<unsigned char, 10> head{};
    off_t oldTag = 0;
    if (info.st_size >= static_cast<off_t>(head.size())) {
        if (!readFully(file.fd(), reinterpret_cast<char*>(head.data()), head.size(), 0)) {
            return writeFailure();
        }
        oldTag = static_cast<off_t>(id3v2TagBytes(head));
        if (oldTag > info.st_size) {
            oldTag = 0;  // not a tag after all: keep every byte
        }
    }
    const auto newTag = static_cast<off_t>(tag.size());
    if (newTag != oldTag && info.st_size > oldTag &&
        !moveTail(file.fd(), oldTag, info.st_size, newTag)) {
        return writeFailure();
    }
    if (!writeFully(file.fd(), tag.data(), tag.size(), 0) || !file.close()) {
        return writeFailure();
    }
    return std::nullopt;
}

// -----------------------------------------------------------------------------------------
// The other containers: TagLib does the format, through a stream that checks every call

class CheckedStream : public TagLib::IOStream {
public:
    explicit CheckedStream(const std::string& path)
        : m_path(path), m_file(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC)) {
        struct stat info {};
        if (m_file.fd() < 0 || ::fstat(m_file.fd(), &info) != 0) {
            m_error = errno;
        }
        m_size = info.st_size;
    }

    // The errno of the first call that failed, 0 when none did.
    int error() const { return m_error; }
    // Closes the file, so that an error reported only then is seen too.
    void close() {
        if (!m_file.close() && m_error == 0) {
            m_error = errno;
        }
    }

    TagLib::FileName name() const override { return m_path.c_str(); }
    bool readOnly() const override { return !isOpen(); }
    bool isOpen() const override { return m_file.fd() >= 0 && m_error == 0; }
    long tell() const override { return m_position; }
    long length() override { return m_size; }

    TagLib::ByteVector readBlock(unsigned long count) override {
        const long left = std::max(0L, m_size - m_position);
        const auto size = static_cast<unsigned int>(
            std::min<unsigned long>({count, static_cast<unsigned long>(left), 1UL << 30}));
        TagLib::ByteVector data(size);
        if (!isOpen() || !readFully(m_file.fd(), data.data(), size, m_position)) {
            fail();
            return {};
        }
        m_position += static_cast<long>(size);
        return data;
    }

    void writeBlock(const TagLib::ByteVector& data) override {
        if (!isOpen() || !writeFully(m_file.fd(), data.data(), data.size(), m_position)) {
            fail();
            return;
        }
        m_position += static_cast<long>(data.size());
        m_size = std::max(m_size, m_position);
    }

    void insert(const TagLib::ByteVector& data, unsigned long start,
                unsigned long replace) override {
        const long at = std::min(static_cast<long>(start), m_size);
        const long from = std::min(at + static_cast<long>(replace), m_size);
        const long to = at + static_cast<long>(data.size());
        if (!isOpen() || (from != to && !moveTail(m_file.fd(), from, m_size, to))) {
            fail();
            return;
        }
        m_size += to - from;
        m_position = at;
        writeBlock(data);
    }

    void removeBlock(unsigned long start, unsigned long count) override {
        const long at = std::min(static_cast<long>(start), m_size);
        const long end = std::min(at + static_cast<long>(count), m_size);
        if (!isOpen() || !moveTail(m_file.fd(), end, m_size, at)) {
            fail();
            return;
        }
        m_size -= end - at;
    }

    void seek(long offset, Position from) override {
        m_position = offset + (from == Beginning ? 0 : from == Current ? m_position : m_size);
    }

    void truncate(long size) override {
        if (!isOpen() || ::ftruncate(m_file.fd(), size) != 0) {
            fail();
            return;
        }
        m_size = size;
    }

private:
    void fail() {
        if (m_error == 0) {
            m_error = errno != 0 ? errno : EIO;
        }
    }

    std::string m_path;
    Descriptor m_file;
    int m_error = 0;
    long m_size = 0;
    long m_position = 0;
};

// "7/9" in `numberKey` becomes "7" there and "9" in `totalKey`, as Vorbis comments keep them.
void splitTotal(TagLib::PropertyMap& fields, const char* numberKey, const char* totalKey) {
    if (!fields.contains(numberKey)) {
        return;
    }
    const TagLib::String value = fields[numberKey].front();
    const int slash = value.find("/");
    if (slash < 0) {
        return;
    }
    fields.replace(numberKey,
                   TagLib::StringList(value.substr(0, static_cast<unsigned int>(slash))));
    const TagLib::String total = value.substr(static_cast<unsigned int>(slash) + 1);
    if (!total.isEmpty()) {
        fields.replace(totalKey, TagLib::StringList(total));
    }
}

TagLib::FLAC::Picture* flacPicture(const Picture& cover) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(cover.mimeType);
    picture->setDescription(cover.description);
    picture->setData(cover.data);
    return picture;
}

// The whole comment anew: nothing of ffmpeg's (its encoder's name) is left.
void fillXiphComment(TagLib::Ogg::XiphComment& comment, const TagLib::PropertyMap& fields) {
    TagLib::PropertyMap xiph = fields;
    splitTotal(xiph, "TRACKNUMBER", "TRACKTOTAL");
    splitTotal(xiph, "DISCNUMBER", "DISCTOTAL");
    comment.removeAllFields();
    comment.removeAllPictures();
    comment.setProperties(xiph);
}

TagLib::MP4::CoverArt::Format coverFormat(const TagLib::String& mimeType) {
    if (mimeType == "image/png") {
        return TagLib::MP4::CoverArt::PNG;
    }
    if (mimeType == "image/jpeg") {
        return TagLib::MP4::CoverArt::JPEG;
    }
    if (mimeType == "image/gif") {
        return TagLib::MP4::CoverArt::GIF;
    }
    if (mimeType == "image/bmp") {
        return TagLib::MP4::CoverArt::BMP;
    }
    return TagLib::MP4::CoverArt::Unknown;
}

void fillMp4Tag(TagLib::MP4::Tag& tag, const SourceTags& tags) {
    std::vector<TagLib::String> keys;
    for (const auto& [key, item] : tag.itemMap()) {
        keys.push_back(key);
    }
    for (const TagLib::String& key : keys) {
        tag.removeItem(key);
    }
    // Fields without an atom of their own (ReplayGain among them) go into freeform atoms,
    // named in lower case as the taggers that read them write them.
    const TagLib::PropertyMap rest = tag.setProperties(tags.fields);
    for (const auto& [key, values] : rest) {
        const std::string name = key.to8Bit(true);
        std::string lower(name.size(), '\0');
        std::transform(name.begin(), name.end(), lower.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        tag.setItem("----:com.apple.iTunes:" + TagLib::String(lower, TagLib::String::UTF8), values);
    }
    if (tags.cover) {
        tag.setItem("covr", TagLib::MP4::CoverArtList().append(TagLib::MP4::CoverArt(
                                coverFormat(tags.cover->mimeType), tags.cover->data)));
    }
}

enum class Saved { Yes, No, NotThatKind };

Saved saved(bool done) {
    return done ? Saved::Yes : Saved::No;
}

Saved saveFlac(TagLib::IOStream& stream, const SourceTags& tags) {
    TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        return Saved::NotThatKind;
    }
    file.removePictures();
    fillXiphComment(*file.xiphComment(true), tags.fields);
    if (tags.cover) {
        file.addPicture(flacPicture(*tags.cover));
    }
    return saved(file.save());
}

// Ogg Opus and Ogg Vorbis: the comment packet is the tag.
template <class OggFile>
Saved saveOgg(TagLib::IOStream& stream, const SourceTags& tags) {
    OggFile file(&stream, false);
    if (!file.isValid() || file.tag() == nullptr) {
        return Saved::NotThatKind;
    }
    fillXiphComment(*file.tag(), tags.fields);
    if (tags.cover) {
        file.tag()->addPicture(flacPicture(*tags.cover));
    }
    return saved(file.save());
}

Saved saveMp4(TagLib::IOStream& stream, const SourceTags& tags) {
    TagLib::MP4::File file(&stream, false);
    if (!file.isValid() || file.tag() == nullptr) {
        return Saved::NotThatKind;
    }
    fillMp4Tag(*file.tag(), tags);
    return saved(file.save());
}

std::optional<std::string> writeWithTagLib(TagContainer container, const SourceTags& tags,
                                           const std::string& path) {
    CheckedStream stream(path);
    Saved result = Saved::NotThatKind;
    const char* kind = "";
    if (stream.error() == 0) {
        switch (container) {
            case TagContainer::Flac:
                kind = "FLAC";
                result = saveFlac(stream, tags);
                break;
            case TagContainer::OggOpus:
                kind = "Ogg Opus";
                result = saveOgg<TagLib::Ogg::Opus::File>(stream, tags);
                break;
            case TagContainer::OggVorbis:
                kind = "Ogg Vorbis";
                result = saveOgg<TagLib::Ogg::Vorbis::File>(stream, tags);
                break;
            case TagContainer::Mp4:
                kind = "MP4";
                result = saveMp4(stream, tags);
                break;
            case TagContainer::Id3v2:
                break;
        }
        stream.close();
    }
    if (stream.error() != 0) {
        return std::string("cannot write the tags: ") + std::strerror(stream.error());
    }
    if (result == Saved::NotThatKind) {
        return std::string("cannot write the tags: the output is not a readable ") + kind + " file";
    }
    if (result == Saved::No) {
        return std::string("cannot write the tags: TagLib could not save the ") + kind + " file";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> writeContainerTags(TagContainer container, const SourceTags& tags,
                                              const std::string& path) {
    if (container != TagContainer::Id3v2) {
        return writeWithTagLib(container, tags, path);
    }
    if (tags.fields.isEmpty() && !tags.cover) {
        return std::nullopt;
    }
    return replaceLeadingTag(path, renderId3v2(tags.fields, tags.cover));
}
