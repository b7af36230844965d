#include "streams/jpx_decoder.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/whole_input.h"

namespace qm {

namespace {

// Encoded bytes taken at most.
constexpr size_t kMaxInput = size_t{128} << 20;
// Samples of all components together at most (the library keeps four bytes each): a colour
// image of about 22 million pixels. Larger headers are refused before decoding.
constexpr uint64_t kMaxSamples = uint64_t{1} << 26;
constexpr uint32_t kMaxComponents = 16;
// Library messages passed on per decode; a damaged stream can produce many.
constexpr int kMaxMessages = 8;

// The encoded data in memory, read through the library's stream callbacks.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

OPJ_SIZE_T readInput(void* buffer, OPJ_SIZE_T n, void* user) {
    Input* in = static_cast<Input*>(user);
    size_t left = in->size - in->pos;
    if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
    size_t count = std::min(static_cast<size_t>(n), left);
    std::memcpy(buffer, in->data + in->pos, count);
    in->pos += count;
    return count;
}

OPJ_OFF_T skipInput(OPJ_OFF_T n, void* user) {
    Input* in = static_cast<Input*>(user);
    if (n < 0) {
        OPJ_OFF_T back = std::min<OPJ_OFF_T>(-n, static_cast<OPJ_OFF_T>(in->pos));
        in->pos -= static_cast<size_t>(back);
        return -back;
    }
    OPJ_OFF_T ahead = std::min<OPJ_OFF_T>(n, static_cast<OPJ_OFF_T>(in->size - in->pos));
    in->pos += static_cast<size_t>(ahead);
    return ahead;
}

OPJ_BOOL seekInput(OPJ_OFF_T pos, void* user) {
    Input* in = static_cast<Input*>(user);
    if (pos < 0 || static_cast<uint64_t>(pos) > in->size) return OPJ_FALSE;
    in->pos = static_cast<size_t>(pos);
    return OPJ_TRUE;
}

void onError(const char* msg, void* user) { static_cast<JpxDecoder*>(user)->libraryMessage(msg, true); }
void onWarning(const char* msg, void* user) { static_cast<JpxDecoder*>(user)->libraryMessage(msg, false); }
void onInfo(const char*, void*) {}

struct CodecFree {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamFree {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageFree {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

// A JP2 file starts with its signature box; a bare codestream with SOC and SIZ.
bool isJp2File(const std::vector<uint8_t>& d) {
    static const uint8_t kBox[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};
    return d.size() >= 12 && std::memcmp(d.data(), kBox, 12) == 0;
}
bool isCodestream(const std::vector<uint8_t>& d) {
    return d.size() >= 4 && d[0] == 0xFF && d[1] == 0x4F && d[2] == 0xFF && d[3] == 0x51;
}

bool isIndexedSpace(const PdfDict* dict) {
    if (!dict) return false;
    PdfObject cs = dict->lookup("ColorSpace");
    if (cs.isNull()) cs = dict->lookup("CS");
    if (cs.isArray() && cs.arrayLength() > 0) cs = cs.arrayGet(0);
    return cs.isName("Indexed") || cs.isName("I");
}

// How one component's samples become 8-bit values at each image pixel.
struct Channel {
    const opj_image_comp_t* comp;
    int offset;       // added to make signed samples unsigned
    int shift;        // right shift for samples deeper than 8 bits
    int maxValue;     // largest sample value, for widening shallow samples (0: keep as is)
    std::vector<uint32_t> column;  // sample column per image column
};

inline uint8_t to8(int v, const Channel& c) {
    v += c.offset;
    if (c.shift > 0) v >>= c.shift;
    if (c.maxValue > 0) v = (v * 255 + c.maxValue / 2) / c.maxValue;
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

JpxDecoder::JpxDecoder(Stream* below) : WholeImageDecoder(below) {}

void JpxDecoder::reset() {
    decodeImage();
    next_ = 0;
}

void JpxDecoder::close() {
    release();
    alphaPlane_.clear();
    alphaPlane_.shrink_to_fit();
    state_ = State::NotTried;
    FilterStream::close();
}

const char* JpxDecoder::colorSpaceName() const {
    switch (components_) {
        case 1: return "DeviceGray";
        case 3: return "DeviceRGB";
        case 4: return "DeviceCMYK";
        default: return nullptr;
    }
}

void JpxDecoder::libraryMessage(const char* text, bool error) {
    if (messages_++ >= kMaxMessages) return;
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    reportError(below_->position(), error ? "JPX error: %s" : "JPX warning: %s", line.c_str());
}

bool JpxDecoder::decodeImage() {
    if (state_ == State::NotTried) {
        messages_ = 0;
        alpha_ = false;
        alphaPlane_.clear();
        // The file may be in the middle of another read: reset and close restore its place.
        below_->reset();
        bool ok = decodeWhole();
        below_->close();
        if (!ok) {
            out_.clear();
            alphaPlane_.clear();
            width_ = height_ = components_ = 0;
        }
        state_ = ok ? State::Decoded : State::Failed;
    }
    return state_ == State::Decoded;
}

bool JpxDecoder::decodeWhole() {
    std::vector<uint8_t> data;
    if (!readWholeInput(below_.get(), kMaxInput, &data)) {
        reportError(below_->position(), "JPX stream too large");
        return false;
    }
    OPJ_CODEC_FORMAT format;
    if (isJp2File(data)) {
        format = OPJ_CODEC_JP2;
    } else if (isCodestream(data)) {
        format = OPJ_CODEC_J2K;
    } else {
        reportError(below_->position(), "JPX stream is neither a JP2 file nor a codestream");
        return false;
    }
    std::unique_ptr<opj_codec_t, CodecFree> codec(opj_create_decompress(format));
    if (!codec) return false;
    opj_set_error_handler(codec.get(), onError, this);
    opj_set_warning_handler(codec.get(), onWarning, this);
    opj_set_info_handler(codec.get(), onInfo, this);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(codec.get(), &params)) return false;

    Input input{data.data(), data.size()};
    std::unique_ptr<opj_stream_t, StreamFree> stream(opj_stream_create(64 * 1024, OPJ_TRUE));
    if (!stream) return false;
    opj_stream_set_user_data(stream.get(), &input, nullptr);
    opj_stream_set_user_data_length(stream.get(), data.size());
    opj_stream_set_read_function(stream.get(), readInput);
    opj_stream_set_skip_function(stream.get(), skipInput);
    opj_stream_set_seek_function(stream.get(), seekInput);

    opj_image_t* raw = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &raw)) {
        if (raw) opj_image_destroy(raw);
        reportError(below_->position(), "Bad JPX header");
        return false;
    }
    std::unique_ptr<opj_image_t, ImageFree> image(raw);
    // Sizes are checked before the library allocates the image.
    if (image->x1 <= image->x0 || image->y1 <= image->y0 || image->numcomps == 0 ||
        image->numcomps > kMaxComponents) {
        reportError(below_->position(), "Bad JPX header");
        return false;
    }
    uint64_t samples = 0;
    for (uint32_t i = 0; i < image->numcomps; ++i) {
        const opj_image_comp_t& c = image->comps[i];
        if (c.dx == 0 || c.dy == 0) {
            reportError(below_->position(), "Bad JPX header");
            return false;
        }
        samples += (static_cast<uint64_t>(image->x1 - image->x0) + c.dx - 1) / c.dx *
                   ((static_cast<uint64_t>(image->y1 - image->y0) + c.dy - 1) / c.dy);
    }
    if (samples > kMaxSamples) {
        reportError(below_->position(), "JPX image too large");
        return false;
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
        reportError(below_->position(), "Bad JPX data");
        return false;
    }

    // Which components are colour: those not marked as alpha, and without such marks the
    // last of two or four when the dictionary says the data holds the soft mask.
    const PdfDict* dict = dictionary();
    PdfObject smaskInData = dict ? dict->lookup("SMaskInData") : PdfObject::makeNull();
    const bool maskInData = smaskInData.isInt() && smaskInData.getInt() != 0;
    std::vector<uint32_t> colour;
    uint32_t alphaIndex = 0;
    for (uint32_t i = 0; i < image->numcomps; ++i) {
        if (!image->comps[i].alpha) {
            colour.push_back(i);
        } else if (!alpha_) {
            alpha_ = true;
            alphaIndex = i;
        }
    }
    if (!alpha_ && maskInData && image->color_space != OPJ_CLRSPC_CMYK &&
        (colour.size() == 2 || colour.size() == 4)) {
        alphaIndex = colour.back();
        colour.pop_back();
        alpha_ = true;
    }
    if (colour.empty()) {
        reportError(below_->position(), "JPX image has no colour component");
        return false;
    }
    // Extra components beyond a device space's are not shown.
    size_t keep = colour.size() >= 4 && (image->color_space == OPJ_CLRSPC_CMYK || colour.size() == 4) ? 4
                  : colour.size() >= 3 ? 3
                                       : 1;
    colour.resize(keep);

    const int width = static_cast<int>(image->x1 - image->x0);
    const int height = static_cast<int>(image->y1 - image->y0);
    // Palette indexes keep their values; everything else is widened or narrowed to 8 bits.
    const bool indexed = isIndexedSpace(dict);
    auto channelOf = [&](uint32_t ci, bool widen, Channel& ch) {
        const opj_image_comp_t& c = image->comps[ci];
        if (!c.data || c.w == 0 || c.h == 0 || c.prec == 0 || c.prec > 31) {
            reportError(below_->position(), "Bad JPX data");
            return false;
        }
        ch = Channel{&c, c.sgnd ? 1 << (c.prec - 1) : 0, c.prec > 8 ? static_cast<int>(c.prec) - 8 : 0,
                     c.prec < 8 && widen ? (1 << c.prec) - 1 : 0, {}};
        ch.column.resize(static_cast<size_t>(width));
        for (int x = 0; x < width; ++x) {
            int64_t at = (static_cast<int64_t>(image->x0) + x) / c.dx - c.x0;
            ch.column[static_cast<size_t>(x)] = static_cast<uint32_t>(std::clamp<int64_t>(at, 0, c.w - 1));
        }
        return true;
    };
    // Interleaves the channels' samples into `target`, one pixel after the other.
    auto spread = [&](const std::vector<Channel>& channels, std::vector<uint8_t>& target) {
        const size_t n = channels.size();
        target.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * n);
        uint8_t* out = target.data();
        for (int y = 0; y < height; ++y) {
            for (const Channel& ch : channels) {
                const opj_image_comp_t& c = *ch.comp;
                int64_t at = (static_cast<int64_t>(image->y0) + y) / c.dy - c.y0;
                const OPJ_INT32* row = c.data + static_cast<size_t>(std::clamp<int64_t>(at, 0, c.h - 1)) * c.w;
                uint8_t* dst = out + static_cast<size_t>(&ch - channels.data());
                for (int x = 0; x < width; ++x, dst += n) *dst = to8(row[ch.column[static_cast<size_t>(x)]], ch);
            }
            out += static_cast<size_t>(width) * n;
        }
    };
    std::vector<Channel> channels(colour.size());
    for (size_t i = 0; i < colour.size(); ++i)
        if (!channelOf(colour[i], !indexed, channels[i])) return false;
    const size_t n = channels.size();
    spread(channels, out_);
    if (alpha_) {
        std::vector<Channel> alpha(1);
        if (!channelOf(alphaIndex, true, alpha[0])) return false;
        spread(alpha, alphaPlane_);
    }
    if (n == 3 && image->color_space == OPJ_CLRSPC_SYCC) {
        // YCbCr to RGB, 16.16 fixed point.
        for (size_t i = 0; i + 3 <= out_.size(); i += 3) {
            int yv = out_[i], cb = out_[i + 1] - 128, cr = out_[i + 2] - 128;
            out_[i] = static_cast<uint8_t>(std::clamp((65536 * yv + 91881 * cr + 32768) >> 16, 0, 255));
            out_[i + 1] = static_cast<uint8_t>(std::clamp((65536 * yv - 22553 * cb - 46802 * cr + 32768) >> 16, 0, 255));
            out_[i + 2] = static_cast<uint8_t>(std::clamp((65536 * yv + 116130 * cb + 32768) >> 16, 0, 255));
        }
    }
    width_ = width;
    height_ = height;
    components_ = static_cast<int>(n);
    return true;
}

Stream* makeJpxDecoder(Stream* below, const PdfDict*) { return new JpxDecoder(below); }

}  // namespace qm
