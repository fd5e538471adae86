#include "photos/PhotoMeta.h"

#include "photos/ImageData.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

// Exiv2 0.27 hands images out as std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

using ImagePtr = Exiv2::Image::AutoPtr;

constexpr const char* kXmpGpsPrefix = "Xmp.exif.GPS";
constexpr const char* kMapDatum = "WGS-84";
constexpr Exiv2::byte kGpsVersion[] = {2, 3, 0, 0};

std::mutex g_xmpToolkit;

void LockXmpToolkit(void* mutex, bool lock)
{
    if (lock)
        static_cast<std::mutex*>(mutex)->lock();
    else
        static_cast<std::mutex*>(mutex)->unlock();
}

// Once per process: no warnings of Exiv2's own on the standard error, the ISO base media formats
// (HEIF, CR3) recognised, and the XMP toolkit, which is not thread-safe by itself, ready with a
// lock before photos are read on several threads (started anew should it have been started
// without one).
void PrepareExiv2()
{
    static const bool prepared = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::enableBMFF(true);
        Exiv2::XmpParser::terminate();
        return Exiv2::XmpParser::initialize(LockXmpToolkit, &g_xmpToolkit);
    }();
    (void)prepared;
}

// The photo's metadata, read from bytes that outlive the image (Exiv2 copies them only once it
// writes). Throws as Exiv2 does.
ImagePtr OpenBytes(std::string_view bytes)
{
    PrepareExiv2();
    if (bytes.size() > static_cast<std::size_t>(LONG_MAX))
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed);
    ImagePtr image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.data()),
                                               static_cast<long>(bytes.size()));
    image->readMetadata();
    return image;
}

// Hands the bytes an image holds in memory, after writeMetadata(), to the sink.
bool PutBytes(Exiv2::Image& image, const ByteSink& sink)
{
    Exiv2::BasicIo& io = image.io();
    const Exiv2::byte* data = io.mmap();
    const bool kept = sink({reinterpret_cast<const char*>(data), io.size()});
    io.munmap();
    return kept;
}

std::string TextOf(const Exiv2::ExifData& exif, const char* key)
{
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    return found == exif.end() ? std::string() : found->toString();
}

bool HasKey(const Exiv2::ExifData& exif, const char* key)
{
    return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

bool IsXmpGps(const std::string& key) { return key.rfind(kXmpGpsPrefix, 0) == 0; }

void SetRationals(Exiv2::ExifData& exif, const char* key, const URational* values, int count)
{
    Exiv2::URationalValue value;
    for (int i = 0; i < count; ++i)
        value.value_.emplace_back(values[i].Num, values[i].Den);
    exif.add(Exiv2::ExifKey(key), &value);
}

// With its terminating zero, which the count includes ("N" has the count 2).
void SetAscii(Exiv2::ExifData& exif, const char* key, const std::string& text)
{
    Exiv2::AsciiValue value;
    value.read(text);
    exif.add(Exiv2::ExifKey(key), &value);
}

void SetBytes(Exiv2::ExifData& exif, const char* key, const Exiv2::byte* bytes, long count)
{
    Exiv2::DataValue value(Exiv2::unsignedByte);
    value.read(bytes, count);
    exif.add(Exiv2::ExifKey(key), &value);
}

// One tag of the GPS group and the value the position gives it: unsigned bytes, ASCII text or
// unsigned rationals.
struct GpsTag {
    enum class Type { Bytes, Ascii, Rationals };
    const char* Key;
    Type Kind;
    std::vector<Exiv2::byte> Bytes;
    std::string Text;
    std::vector<URational> Rationals;
};

GpsTag BytesTag(const char* key, const Exiv2::byte* bytes, std::size_t count)
{
    return {key, GpsTag::Type::Bytes, {bytes, bytes + count}, {}, {}};
}

GpsTag AsciiTag(const char* key, std::string text)
{
    return {key, GpsTag::Type::Ascii, {}, std::move(text), {}};
}

GpsTag RationalsTag(const char* key, const URational* values, std::size_t count)
{
    return {key, GpsTag::Type::Rationals, {}, {}, {values, values + count}};
}

// The GPS group a position is written as, in the order of writing: the one list that both the
// writing and the read-back check follow.
std::vector<GpsTag> GpsTagTable(const GpsTags& tags)
{
    std::vector<GpsTag> table = {
        BytesTag("Exif.GPSInfo.GPSVersionID", kGpsVersion, std::size(kGpsVersion)),
        AsciiTag("Exif.GPSInfo.GPSLatitudeRef", std::string(1, tags.LatitudeRef)),
        RationalsTag("Exif.GPSInfo.GPSLatitude", tags.Latitude.data(), tags.Latitude.size()),
        AsciiTag("Exif.GPSInfo.GPSLongitudeRef", std::string(1, tags.LongitudeRef)),
        RationalsTag("Exif.GPSInfo.GPSLongitude", tags.Longitude.data(), tags.Longitude.size()),
    };
    if (tags.Altitude) {
        table.push_back(BytesTag("Exif.GPSInfo.GPSAltitudeRef", &tags.AltitudeRef, 1));
        table.push_back(RationalsTag("Exif.GPSInfo.GPSAltitude", &*tags.Altitude, 1));
    }
    table.push_back(
        RationalsTag("Exif.GPSInfo.GPSTimeStamp", tags.TimeStamp.data(), tags.TimeStamp.size()));
    table.push_back(AsciiTag("Exif.GPSInfo.GPSDateStamp", tags.DateStamp));
    table.push_back(AsciiTag("Exif.GPSInfo.GPSMapDatum", kMapDatum));
    return table;
}

void PutTag(Exiv2::ExifData& exif, const GpsTag& tag)
{
    switch (tag.Kind) {
    case GpsTag::Type::Bytes:
        SetBytes(exif, tag.Key, tag.Bytes.data(), static_cast<long>(tag.Bytes.size()));
        break;
    case GpsTag::Type::Ascii:
        SetAscii(exif, tag.Key, tag.Text);
        break;
    case GpsTag::Type::Rationals:
        SetRationals(exif, tag.Key, tag.Rationals.data(), static_cast<int>(tag.Rationals.size()));
        break;
    }
}

// Every GPS tag out, then the position's.
void PutGpsTags(Exiv2::ExifData& exif, const GpsTags& tags)
{
    for (auto it = exif.begin(); it != exif.end();)
        it = it->groupName() == "GPSInfo" ? exif.erase(it) : std::next(it);
    for (const GpsTag& tag : GpsTagTable(tags))
        PutTag(exif, tag);
}

// The rationals of a tag, when it holds unsigned rationals.
std::vector<URational> RationalsOf(const Exiv2::ExifData& exif, const char* key)
{
    std::vector<URational> out;
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    const auto* value =
        found == exif.end() ? nullptr : dynamic_cast<const Exiv2::URationalValue*>(&found->value());
    if (value != nullptr)
        for (const auto& [num, den] : value->value_)
            out.push_back({num, den});
    return out;
}

bool SameRationals(const Exiv2::ExifData& exif, const char* key, const URational* want, int n)
{
    const std::vector<URational> got = RationalsOf(exif, key);
    return got.size() == static_cast<std::size_t>(n) && std::equal(got.begin(), got.end(), want);
}

bool SameBytes(const Exiv2::ExifData& exif, const char* key, const Exiv2::byte* want, long n)
{
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    if (found == exif.end() || found->typeId() != Exiv2::unsignedByte || found->count() != n)
        return false;
    for (long i = 0; i < n; ++i)
        if (found->toLong(i) != want[i])
            return false;
    return true;
}

// The photo holds the tag with the value the table gives it.
bool HoldsTag(const Exiv2::ExifData& exif, const GpsTag& tag)
{
    switch (tag.Kind) {
    case GpsTag::Type::Bytes:
        return SameBytes(exif, tag.Key, tag.Bytes.data(), static_cast<long>(tag.Bytes.size()));
    case GpsTag::Type::Ascii:
        return TextOf(exif, tag.Key) == tag.Text;
    case GpsTag::Type::Rationals:
        return SameRationals(exif, tag.Key, tag.Rationals.data(),
                             static_cast<int>(tag.Rationals.size()));
    }
    return false;
}

// The GPS group holds exactly the tags of the position, nothing more.
bool HasExactly(const Exiv2::ExifData& exif, const GpsTags& tags)
{
    const auto gpsCount = std::count_if(exif.begin(), exif.end(), [](const Exiv2::Exifdatum& d) {
        return d.groupName() == "GPSInfo";
    });
    const std::vector<GpsTag> table = GpsTagTable(tags);
    return static_cast<std::size_t>(gpsCount) == table.size() &&
           std::all_of(table.begin(), table.end(),
                       [&exif](const GpsTag& tag) { return HoldsTag(exif, tag); });
}

using Entries = std::vector<std::pair<std::string, std::string>>;

// Tags whose values are where other parts of the file start: they change when the file is laid
// out anew, the parts they point at are compared themselves.
bool IsLayoutTag(const std::string& key)
{
    static constexpr std::string_view kLayout[] = {
        "Exif.Image.ExifTag",
        "Exif.Image.GPSTag",
        "Exif.Photo.InteroperabilityTag",
        "Exif.Thumbnail.JPEGInterchangeFormat",
        "Exif.Image.JPEGInterchangeFormat",
        "Exif.MakerNote.Offset",
    };
    return std::find(std::begin(kLayout), std::end(kLayout), key) != std::end(kLayout);
}

// Every EXIF tag but the GPS group and the layout, as key and type with the value's bytes. A
// maker note the library decodes is compared tag by tag: its bytes hold offsets that move.
Entries OtherExif(const Exiv2::ExifData& exif)
{
    const bool decodedNote = HasKey(exif, "Exif.MakerNote.Offset");
    Entries out;
    for (const Exiv2::Exifdatum& datum : exif) {
        if (datum.groupName() == "GPSInfo" || IsLayoutTag(datum.key()) ||
            (decodedNote && datum.key() == "Exif.Photo.MakerNote"))
            continue;
        std::string bytes(static_cast<std::size_t>(datum.size()), '\0');
        datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
        out.emplace_back(datum.key(), std::to_string(datum.typeId()) + ':' + bytes);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The XMP properties but the GPS ones, as key and text.
Entries OtherXmp(const Exiv2::XmpData& xmp)
{
    Entries out;
    for (const Exiv2::Xmpdatum& datum : xmp)
        if (!IsXmpGps(datum.key()))
            out.emplace_back(datum.key(), datum.toString());
    std::sort(out.begin(), out.end());
    return out;
}

Entries IptcOf(const Exiv2::IptcData& iptc)
{
    Entries out;
    for (const Exiv2::Iptcdatum& datum : iptc)
        out.emplace_back(datum.key(), datum.toString());
    std::sort(out.begin(), out.end());
    return out;
}

std::string Copied(const Exiv2::DataBuf& buffer)
{
    return buffer.size_ > 0 ? std::string(reinterpret_cast<const char*>(buffer.pData_),
                                          static_cast<std::size_t>(buffer.size_))
                            : std::string();
}

// Everything of a photo that tagging leaves as it was.
struct KeptParts {
    Entries Exif, Xmp, Iptc;
    std::string Thumbnail, Icc, Comment;
    friend bool operator==(const KeptParts&, const KeptParts&) = default;
};

// The thumbnail is there in full: as many bytes as IFD1 says it has.
bool ThumbnailWhole(const Exiv2::ExifData& exif)
{
    const auto length = exif.findKey(Exiv2::ExifKey("Exif.Thumbnail.JPEGInterchangeFormatLength"));
    if (length == exif.end())
        return true;
    return Exiv2::ExifThumbC(exif).copy().size_ == length->toLong();
}

KeptParts KeptPartsOf(Exiv2::Image& image)
{
    return {OtherExif(image.exifData()), OtherXmp(image.xmpData()),
            IptcOf(image.iptcData()),    Copied(Exiv2::ExifThumbC(image.exifData()).copy()),
            Copied(*image.iccProfile()), image.comment()};
}

bool HasXmpGps(const Exiv2::XmpData& xmp)
{
    return std::any_of(xmp.begin(), xmp.end(),
                       [](const Exiv2::Xmpdatum& d) { return IsXmpGps(d.key()); });
}

void EraseXmpGps(Exiv2::XmpData& xmp)
{
    for (auto it = xmp.begin(); it != xmp.end();)
        it = IsXmpGps(it->key()) ? xmp.erase(it) : std::next(it);
}

// The XMP form of the tags, as Exiv2 converts them; the time stamp says that it is UTC.
Exiv2::XmpData XmpGps(const GpsTags& tags)
{
    Exiv2::ExifData exif;
    PutGpsTags(exif, tags);
    Exiv2::XmpData xmp;
    Exiv2::copyExifToXmp(exif, xmp);
    const auto& t = tags.TimeStamp;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%.4s-%.2s-%.2sT%02u:%02u:%02u.%03uZ",
                  tags.DateStamp.c_str(), tags.DateStamp.c_str() + 5, tags.DateStamp.c_str() + 8,
                  t[0].Num, t[1].Num, t[2].Num / 1000, t[2].Num % 1000);
    xmp["Xmp.exif.GPSTimeStamp"] = std::string(stamp);
    return xmp;
}

bool IsRawType(int type)
{
    using namespace Exiv2::ImageType;
    return type == cr2 || type == crw || type == mrw || type == orf || type == raf || type == rw2;
}

bool IsInPlaceType(int type)
{
    return type == Exiv2::ImageType::jpeg || type == Exiv2::ImageType::png;
}

// The degrees of an EXIF coordinate and its reference; nothing unless both are whole.
std::optional<double> ExifCoordinate(const Exiv2::ExifData& exif, const char* key,
                                     const char* refKey, char negative)
{
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    const std::string ref = TextOf(exif, refKey);
    if (found == exif.end() || found->count() != 3 || ref.empty())
        return std::nullopt;
    double degrees = 0, unit = 1;
    for (long i = 0; i < 3; ++i, unit *= 60) {
        const Exiv2::Rational r = found->toRational(i);
        if (r.second == 0)
            return std::nullopt;
        degrees += static_cast<double>(r.first) / r.second / unit;
    }
    return ref[0] == negative ? -degrees : degrees;
}

std::optional<GeoPosition> XmpPosition(const Exiv2::XmpData& xmp)
{
    const auto lat = xmp.findKey(Exiv2::XmpKey("Xmp.exif.GPSLatitude"));
    const auto lon = xmp.findKey(Exiv2::XmpKey("Xmp.exif.GPSLongitude"));
    if (lat == xmp.end() || lon == xmp.end())
        return std::nullopt;
    const std::optional<double> latDeg = XmpCoordinate(lat->toString());
    const std::optional<double> lonDeg = XmpCoordinate(lon->toString());
    if (!latDeg || !lonDeg)
        return std::nullopt;
    return GeoPosition{*latDeg, *lonDeg};
}

std::optional<GeoPosition> PositionOf(const Exiv2::Image& image)
{
    const Exiv2::ExifData& exif = image.exifData();
    const auto lat =
        ExifCoordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", 'S');
    const auto lon =
        ExifCoordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", 'W');
    if (lat && lon)
        return GeoPosition{*lat, *lon};
    return XmpPosition(image.xmpData());
}

// The EXIF block Exiv2 encodes, from the TIFF header on, in the photo's byte order.
std::string EncodedExif(const Exiv2::Image& image)
{
    Exiv2::Blob blob;
    const Exiv2::ByteOrder order =
        image.byteOrder() == Exiv2::invalidByteOrder ? Exiv2::littleEndian : image.byteOrder();
    Exiv2::ExifParser::encode(blob, order, image.exifData());
    return {reinterpret_cast<const char*>(blob.data()), blob.size()};
}

// At least the bytes the EXIF block needs: every tag's entry and value and the thumbnail. Exiv2
// drops tags silently (the thumbnail first) to fit a block into one JPEG segment.
std::size_t LeastExifBytes(const Exiv2::ExifData& exif)
{
    constexpr std::size_t kTiffHeader = 8, kEntry = 12, kInlineValue = 4;
    std::size_t bytes = kTiffHeader;
    for (const Exiv2::Exifdatum& datum : exif) {
        const auto size = static_cast<std::size_t>(datum.size());
        bytes += kEntry + (size > kInlineValue ? size : 0) +
                 static_cast<std::size_t>(datum.sizeDataArea());
    }
    return bytes;
}

// The XMP packet as a part of the photo's format: a JPEG's APP1 segment, a PNG's iTXt chunk
// (keyword, no compression, no language); nothing for no properties.
std::string XmpPart(const Exiv2::XmpData& xmp, bool jpeg)
{
    std::string packet;
    if (xmp.empty() ||
        Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) != 0)
        return {};
    if (!jpeg)
        return PngChunk("iTXt", std::string("XML:com.adobe.xmp\0\0\0\0\0", 22) + packet);
    constexpr std::string_view kNamespace("http://ns.adobe.com/xap/1.0/\0", 29);
    const std::size_t length = 2 + kNamespace.size() + packet.size();
    if (length > 65535)
        throw Exiv2::Error(Exiv2::kerTooLargeJpegSegment, "XMP");
    std::string segment = "\xFF\xE1";
    segment.push_back(static_cast<char>(length >> 8));
    segment.push_back(static_cast<char>(length & 0xFF));
    return segment + std::string(kNamespace) + packet;
}

// The photo's XMP part after tagging: its own byte for byte, or a new packet without the
// position it held.
std::string NewXmpPart(std::string_view photo, Exiv2::XmpData& xmp, bool jpeg)
{
    if (HasXmpGps(xmp)) {
        EraseXmpGps(xmp);
        return XmpPart(xmp, jpeg);
    }
    for (const std::string_view part : MetadataPartsOf(photo).value_or(PartList()))
        if (KindOfPart(part) == PartKind::Xmp)
            return std::string(part);
    return {};
}

} // namespace

std::optional<double> XmpCoordinate(std::string_view text)
{
    if (text.size() < 2)
        return std::nullopt;
    const char hemisphere = text.back();
    if (hemisphere != 'N' && hemisphere != 'S' && hemisphere != 'E' && hemisphere != 'W')
        return std::nullopt;
    text.remove_suffix(1);
    double degrees = 0, unit = 1;
    for (int part = 0; part < 3 && !text.empty(); ++part, unit *= 60) {
        const std::size_t comma = text.find(',');
        double value = 0;
        const std::string_view field = text.substr(0, comma);
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (ec != std::errc() || end != field.data() + field.size() || value < 0)
            return std::nullopt;
        degrees += value / unit;
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    if (!text.empty())
        return std::nullopt;
    return hemisphere == 'S' || hemisphere == 'W' ? -degrees : degrees;
}

PhotoMeta InspectPhoto(std::string_view bytes)
{
    PhotoMeta meta;
    try {
        PrepareExiv2();
        const int type = Exiv2::ImageFactory::getType(
            reinterpret_cast<const Exiv2::byte*>(bytes.data()),
            static_cast<long>(std::min<std::size_t>(bytes.size(), LONG_MAX)));
        meta.Recognised = type != Exiv2::ImageType::none;
        if (!meta.Recognised)
            return meta;
        meta.RawType = IsRawType(type);
        meta.InPlace = IsInPlaceType(type);
        ImagePtr image = OpenBytes(bytes);
        const Exiv2::ExifData& exif = image->exifData();
        meta.HasClock = HasKey(exif, "Exif.Photo.DateTimeOriginal");
        meta.Clock = {TextOf(exif, "Exif.Photo.DateTimeOriginal"),
                      TextOf(exif, "Exif.Photo.SubSecTimeOriginal"),
                      TextOf(exif, "Exif.Photo.OffsetTimeOriginal")};
        meta.HasGps = HasKey(exif, "Exif.GPSInfo.GPSLatitude") ||
                      HasKey(exif, "Exif.GPSInfo.GPSLongitude") || HasXmpGps(image->xmpData());
        meta.Position = PositionOf(*image);
        meta.Make = TextOf(exif, "Exif.Image.Make");
        meta.Model = TextOf(exif, "Exif.Image.Model");
        meta.Parsed = true;
    } catch (const std::exception&) {
        meta.Parsed = false;
    }
    return meta;
}

std::string ExifThumbnail(std::string_view bytes)
{
    try {
        ImagePtr image = OpenBytes(bytes);
        return Copied(Exiv2::ExifThumbC(image->exifData()).copy());
    } catch (const std::exception&) {
        return {};
    }
}

PhotoWrite WritePhotoWithGps(std::string_view photo, const GpsTags& tags, const ByteSink& sink)
{
    try {
        const bool jpeg = ImageFormatOf(photo) == ImageFormat::Jpeg;
        if (jpeg && CountParts(photo, PartKind::Exif) > 1)
            return PhotoWrite::ExifSplit;
        // Exiv2 reads the metadata only: a JPEG's part up to its first scan is enough.
        const std::optional<std::size_t> scan = JpegScanStart(photo);
        ImagePtr image = OpenBytes(scan ? photo.substr(0, *scan + 2) : photo);
        if (!IsInPlaceType(image->imageType()))
            return PhotoWrite::Failed;
        PutGpsTags(image->exifData(), tags);
        const std::string tiff = EncodedExif(*image);
        if (jpeg && std::max(tiff.size(), LeastExifBytes(image->exifData())) > kMaxJpegExifBytes)
            return PhotoWrite::ExifTooLarge;
        const std::string exif = jpeg ? JpegExifSegment(tiff) : PngChunk("eXIf", tiff);
        const std::optional<SplicedPhoto> spliced =
            SplicePhoto(photo, exif, NewXmpPart(photo, image->xmpData(), jpeg));
        if (!spliced)
            return PhotoWrite::Failed;
        return sink(spliced->Head) && sink(spliced->Tail) ? PhotoWrite::Written
                                                          : PhotoWrite::Failed;
    } catch (const std::exception&) {
        return PhotoWrite::Failed;
    }
}

bool ReadsBackAs(std::string_view original, std::string_view written, const GpsTags& tags)
{
    try {
        ImagePtr before = OpenBytes(original);
        ImagePtr after = OpenBytes(written);
        const std::optional<PartList> kept = KeptPartsOf(original);
        return after->imageType() == before->imageType() && HasExactly(after->exifData(), tags) &&
               KeptPartsOf(*before) == KeptPartsOf(*after) &&
               (!ThumbnailWhole(before->exifData()) || ThumbnailWhole(after->exifData())) &&
               CountParts(written, PartKind::Exif) == 1 && kept && kept == KeptPartsOf(written) &&
               SameImageData(original, written);
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteSidecarWithGps(std::string_view existing, const GpsTags& tags, const ByteSink& sink)
{
    try {
        PrepareExiv2();
        ImagePtr sidecar = existing.empty() ? Exiv2::ImageFactory::create(Exiv2::ImageType::xmp)
                                            : OpenBytes(existing);
        if (sidecar->imageType() != Exiv2::ImageType::xmp)
            return false;
        Exiv2::XmpData& xmp = sidecar->xmpData();
        EraseXmpGps(xmp);
        for (const Exiv2::Xmpdatum& datum : XmpGps(tags))
            xmp.add(datum);
        // Reading a sidecar converts its XMP to EXIF and IPTC, which writing would convert
        // back over the properties just set.
        sidecar->clearExifData();
        sidecar->clearIptcData();
        sidecar->writeMetadata();
        return PutBytes(*sidecar, sink);
    } catch (const std::exception&) {
        return false;
    }
}

bool SidecarReadsBackAs(std::string_view existing, std::string_view written, const GpsTags& tags)
{
    try {
        ImagePtr after = OpenBytes(written);
        if (after->imageType() != Exiv2::ImageType::xmp)
            return false;
        const Exiv2::XmpData& xmp = after->xmpData();
        const Exiv2::XmpData want = XmpGps(tags);
        for (const Exiv2::Xmpdatum& datum : want) {
            const auto found = xmp.findKey(Exiv2::XmpKey(datum.key()));
            if (found == xmp.end() || found->toString() != datum.toString())
                return false;
        }
        const auto gpsCount = std::count_if(
            xmp.begin(), xmp.end(), [](const Exiv2::Xmpdatum& d) { return IsXmpGps(d.key()); });
        const Entries before =
            existing.empty() ? Entries() : OtherXmp(OpenBytes(existing)->xmpData());
        return gpsCount == want.count() && OtherXmp(xmp) == before;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<bool> SidecarHasGps(std::string_view sidecar)
{
    try {
        ImagePtr image = OpenBytes(sidecar);
        if (image->imageType() != Exiv2::ImageType::xmp)
            return std::nullopt;
        const Exiv2::XmpData& xmp = image->xmpData();
        return xmp.findKey(Exiv2::XmpKey("Xmp.exif.GPSLatitude")) != xmp.end() ||
               xmp.findKey(Exiv2::XmpKey("Xmp.exif.GPSLongitude")) != xmp.end();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<GeoPosition> SidecarPosition(std::string_view sidecar)
{
    try {
        ImagePtr image = OpenBytes(sidecar);
        if (image->imageType() != Exiv2::ImageType::xmp)
            return std::nullopt;
        return XmpPosition(image->xmpData());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

#pragma GCC diagnostic pop
