#include "TagSource.h"

#include <aifffile.h>
#include <apefile.h>
#include <apetag.h>
#include <asffile.h>
#include <asftag.h>
#include <attachedpictureframe.h>
#include <fileref.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpcfile.h>
#include <mpegfile.h>
#include <oggfile.h>
#include <tdebuglistener.h>
#include <tfilestream.h>
#include <trueaudiofile.h>
#include <wavfile.h>
#include <wavpackfile.h>
#include <xiphcomment.h>

#include <sys/stat.h>
#include <algorithm>
#include <array>
#include <initializer_list>

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// -----------------------------------------------------------------------------------------
// Properties

// Names some taggers (and ffmpeg's -metadata) use for fields TagLib knows under another name;
// written as they are they would end up as TXXX frames nothing reads.
TagLib::String canonicalKey(const TagLib::String& key) {
    static const std::array<std::pair<const char*, const char*>, 5> kAliases = {{
        {"YEAR", "DATE"},
        {"TRACK", "TRACKNUMBER"},
        {"DISC", "DISCNUMBER"},
        {"ALBUM ARTIST", "ALBUMARTIST"},
        {"ALBUM_ARTIST", "ALBUMARTIST"},
    }};
    const TagLib::String upper = key.upper();
    for (const auto& [alias, name] : kAliases) {
        if (upper == alias) {
            return name;
        }
    }
    return upper;
}

// Fields that describe how the source was encoded (the encoder or the one who ran it, its
// settings, gapless data, length) or how it is laid out (an album image's CUE sheet); they would
// be wrong for the new file.
bool describesTheSourceEncoding(const TagLib::String& key) {
    static const std::array<const char*, 8> kKeys = {
        "ENCODING", "ENCODER",  "ENCODEDBY", "ENCODERSETTINGS",
        "LENGTH",   "ITUNSMPB", "ITUNNORM",  "CUESHEET",
    };
    return std::any_of(kKeys.begin(), kKeys.end(),
                       [&key](const char* name) { return key == name; });
}

bool hasText(const TagLib::StringList& values) {
    return std::any_of(values.begin(), values.end(),
                       [](const TagLib::String& value) { return !value.isEmpty(); });
}

// The source's fields under TagLib's names, which every container's writer knows.
TagLib::PropertyMap sourceFields(const TagLib::PropertyMap& properties) {
    TagLib::PropertyMap fields;
    for (const auto& [key, values] : properties) {
        const TagLib::String name = canonicalKey(key);
        if (describesTheSourceEncoding(name) || !hasText(values)) {
            continue;
        }
        // An alias never overwrites the field under its own name.
        if (name == key.upper() || !properties.contains(name)) {
            fields.insert(name, values);
        }
    }
    // Vorbis comments keep the comment in DESCRIPTION; the others call it a comment.
    if (!fields.contains("COMMENT") && fields.contains("DESCRIPTION")) {
        fields.replace("COMMENT", fields["DESCRIPTION"]);
        fields.erase("DESCRIPTION");
    }
    return fields;
}

// Vorbis comments and others give the totals in fields of their own; the tag is built with
// "n/total", as ID3 and MP4 keep them (the Vorbis comment writer parts them again).
void joinTotal(TagLib::PropertyMap& fields, const char* numberKey,
               std::initializer_list<const char*> totalKeys) {
    TagLib::String total;
    for (const char* key : totalKeys) {
        if (fields.contains(key)) {
            if (total.isEmpty()) {
                total = fields[key].front();
            }
            fields.erase(key);
        }
    }
    if (total.isEmpty() || !fields.contains(numberKey)) {
        return;
    }
    const TagLib::String number = fields[numberKey].front();
    if (number.find("/") < 0) {
        fields.replace(numberKey, TagLib::StringList(number + "/" + total));
    }
}

void applyOverrides(TagLib::PropertyMap& fields,
                    const std::vector<std::pair<std::string, std::string>>& overrides) {
    for (const auto& [key, value] : overrides) {
        const TagLib::String name = canonicalKey(TagLib::String(key, TagLib::String::UTF8));
        if (value.empty()) {
            fields.erase(name);
        } else {
            fields.replace(name, TagLib::StringList(TagLib::String(value, TagLib::String::UTF8)));
        }
    }
}

// -----------------------------------------------------------------------------------------
// Front cover

// The image type from the data's first bytes; the MIME type a tag declares is often wrong
// (or missing, as in an APE tag).
TagLib::String sniffedMimeType(const TagLib::ByteVector& data) {
    if (data.startsWith(TagLib::ByteVector("\x89PNG\r\n\x1a\n", 8))) {
        return "image/png";
    }
    if (data.startsWith(TagLib::ByteVector("\xff\xd8\xff", 3))) {
        return "image/jpeg";
    }
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) {
        return "image/gif";
    }
    if (data.startsWith("RIFF") && data.containsAt("WEBP", 8)) {
        return "image/webp";
    }
    if (data.startsWith("BM")) {
        return "image/bmp";
    }
    return {};
}

// A picture that is an image of a known kind, with its MIME type from the data when that
// can be told.
std::optional<Picture> image(const TagLib::ByteVector& data, const TagLib::String& declared,
                             const TagLib::String& description) {
    if (data.isEmpty()) {
        return std::nullopt;
    }
    TagLib::String mimeType = sniffedMimeType(data);
    if (mimeType.isEmpty()) {
        const std::string lower = lowerAscii(declared.to8Bit(true));
        if (!lower.starts_with("image/")) {
            return std::nullopt;
        }
        mimeType = TagLib::String(lower, TagLib::String::UTF8);
    }
    return Picture{data, mimeType, description};
}

// Picking from typed pictures (ID3, FLAC, ASF): the front cover, or else one of type
// "other", which is what taggers that do not ask write for the one picture they add.
class CoverChoice {
public:
    void offer(int type, const TagLib::ByteVector& data, const TagLib::String& mimeType,
               const TagLib::String& description) {
        constexpr int kOther = 0;
        constexpr int kFrontCover = 3;
        if (m_front || (type != kFrontCover && (type != kOther || m_other))) {
            return;
        }
        std::optional<Picture> picture = image(data, mimeType, description);
        (type == kFrontCover ? m_front : m_other) = std::move(picture);
    }

    std::optional<Picture> chosen() const { return m_front ? m_front : m_other; }

private:
    std::optional<Picture> m_front;
    std::optional<Picture> m_other;
};

// APEv2: the binary item "Cover Art (Front)" holds a file name, a NUL byte, then the image.
std::optional<Picture> apeCover(const TagLib::APE::Tag* tag) {
    if (tag == nullptr) {
        return std::nullopt;
    }
    for (const auto& [key, item] : tag->itemListMap()) {
        if (key.upper() != "COVER ART (FRONT)" || item.type() != TagLib::APE::Item::Binary) {
            continue;
        }
        const TagLib::ByteVector value = item.binaryData();
        const int nul = value.find('\0');
        if (nul < 0) {
            return image(value, {}, {});
        }
        return image(value.mid(static_cast<unsigned int>(nul) + 1), {}, {});
    }
    return std::nullopt;
}

void offerId3v2(CoverChoice& choice, TagLib::ID3v2::Tag* tag) {
    if (tag == nullptr) {
        return;
    }
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        if (const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            choice.offer(apic->type(), apic->picture(), apic->mimeType(), apic->description());
        }
    }
}

void offerFlac(CoverChoice& choice, const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    for (const TagLib::FLAC::Picture* picture : pictures) {
        choice.offer(picture->type(), picture->data(), picture->mimeType(), picture->description());
    }
}

std::optional<Picture> mp4Cover(const TagLib::MP4::Tag* tag) {
    if (tag == nullptr || !tag->contains("covr")) {
        return std::nullopt;
    }
    // covr has no picture types; players show the first image as the cover.
    for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList()) {
        const char* declared = art.format() == TagLib::MP4::CoverArt::PNG    ? "image/png"
                               : art.format() == TagLib::MP4::CoverArt::JPEG ? "image/jpeg"
                               : art.format() == TagLib::MP4::CoverArt::GIF  ? "image/gif"
                               : art.format() == TagLib::MP4::CoverArt::BMP  ? "image/bmp"
                                                                             : "";
        if (std::optional<Picture> picture = image(art.data(), declared, {})) {
            return picture;
        }
    }
    return std::nullopt;
}

void offerAsf(CoverChoice& choice, const TagLib::ASF::Tag* tag) {
    if (tag == nullptr) {
        return;
    }
    for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
        const TagLib::ASF::Picture picture = attribute.toPicture();
        if (picture.isValid()) {
            choice.offer(picture.type(), picture.picture(), picture.mimeType(),
                         picture.description());
        }
    }
}

// The front cover from whichever of the file's tags holds pictures.
std::optional<Picture> frontCover(TagLib::File* file) {
    CoverChoice choice;
    if (auto* ape = dynamic_cast<TagLib::APE::File*>(file)) {
        return apeCover(ape->APETag());
    }
    if (auto* wavPack = dynamic_cast<TagLib::WavPack::File*>(file)) {
        return apeCover(wavPack->APETag());
    }
    if (auto* musepack = dynamic_cast<TagLib::MPC::File*>(file)) {
        return apeCover(musepack->APETag());
    }
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
        offerId3v2(choice, mpeg->ID3v2Tag());
        if (std::optional<Picture> picture = choice.chosen()) {
            return picture;
        }
        return apeCover(mpeg->APETag());
    }
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        offerFlac(choice, flac->pictureList());
        if (flac->hasXiphComment()) {
            offerFlac(choice, flac->xiphComment()->pictureList());
        }
        offerId3v2(choice, flac->ID3v2Tag());
    } else if (auto* ogg = dynamic_cast<TagLib::Ogg::File*>(file)) {
        // Vorbis, Opus, Speex and Ogg FLAC all keep their tag as a Xiph comment.
        if (auto* comment = dynamic_cast<TagLib::Ogg::XiphComment*>(ogg->tag())) {
            offerFlac(choice, comment->pictureList());
        }
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
        return mp4Cover(mp4->tag());
    } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
        offerAsf(choice, asf->tag());
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
        offerId3v2(choice, wav->ID3v2Tag());
    } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) {
        offerId3v2(choice, aiff->tag());
    } else if (auto* trueAudio = dynamic_cast<TagLib::TrueAudio::File*>(file)) {
        offerId3v2(choice, trueAudio->ID3v2Tag());
    }
    return choice.chosen();
}

// -----------------------------------------------------------------------------------------
// Reading the source

// TagLib reports parse trouble through a debug listener; coder prints only its own lines.
class QuietListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

// TagLib leaves MP4 "----:com.apple.iTunes:NAME" atoms it has no name for out of the properties
// (ReplayGain among them); they are text fields called NAME.
TagLib::PropertyMap withFreeformAtoms(TagLib::PropertyMap properties, TagLib::File* file) {
    const auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file);
    if (mp4 == nullptr || mp4->tag() == nullptr) {
        return properties;
    }
    for (const TagLib::String& key : properties.unsupportedData()) {
        if (!key.startsWith("----:") || !mp4->tag()->contains(key)) {
            continue;
        }
        const TagLib::String name = key.substr(static_cast<unsigned int>(key.rfind(":")) + 1);
        const TagLib::StringList values = mp4->tag()->item(key).toStringList();
        if (!name.isEmpty() && !properties.contains(name) && hasText(values)) {
            properties.insert(name, values);
        }
    }
    return properties;
}

SourceTags readSourceTags(const std::string& path) {
    static QuietListener quiet;
    TagLib::setDebugListener(&quiet);
    SourceTags tags;
    if (path.empty()) {
        return tags;
    }
    // Opened read-only and handed over as a stream: given a path, TagLib opens the file for
    // writing whenever it may. A FIFO or a device is not opened again at all (ffmpeg has read
    // it; another open would wait for a writer).
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return tags;
    }
    TagLib::FileStream stream(path.c_str(), true);
    if (!stream.isOpen()) {
        return tags;
    }
    // Tags only: reading the audio properties would scan more of the file for nothing.
    const TagLib::FileRef source(&stream, false);
    if (source.isNull()) {
        return tags;
    }
    tags.fields = sourceFields(withFreeformAtoms(source.file()->properties(), source.file()));
    tags.cover = frontCover(source.file());
    return tags;
}

}  // namespace

SourceTags tagsFor(const std::string& sourcePath,
                   const std::vector<std::pair<std::string, std::string>>& overrides) {
    SourceTags tags = readSourceTags(sourcePath);
    applyOverrides(tags.fields, overrides);
    joinTotal(tags.fields, "TRACKNUMBER", {"TRACKTOTAL", "TOTALTRACKS"});
    joinTotal(tags.fields, "DISCNUMBER", {"DISCTOTAL", "TOTALDISCS"});
    return tags;
}
