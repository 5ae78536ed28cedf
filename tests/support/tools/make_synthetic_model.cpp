// make_synthetic_model <for-tests-model.bin> <out.bin> "<phrase>" [tiny|base|small]: writes a ggml
// whisper model that transcribes any audio as one fixed phrase, optionally shaped like a real size.
//
// The input is one of whisper.cpp's weight-less "for-tests" models (header, hyper-parameters, mel
// filters, vocabulary). Its bytes are copied and every tensor whisper.cpp's loader expects is
// appended, almost all zero, so encoder and attention contribute nothing and the decoder works on
// the current token alone: each chain token gets a one-hot embedding slot, and one MLP unit of
// decoder block 0 per edge "token -> successor" writes the successor's slot. With the (tied)
// embedding as output projection the successor wins by ~70 logits, so greedy and beam search
// follow the chain:
//   <|notimestamps|> or <|0.00|> -> phrase tokens -> <|30.00|> (with timestamps) -> <|endoftext|>
//   <|startoftext|> -> <|0.00|> (english-only) or -> <|en|> (multilingual; <|transcribe|> and
//   <|translate|> -> <|0.00|>); any other token ends the segment.
// The phrase is split greedily into the longest vocabulary entries, which must be distinct (the
// decoder sees only the current token). Zero runs become seeks: the ~75 MB output is sparse.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

static_assert(std::endian::native == std::endian::little, "ggml model files are little-endian");

namespace {

constexpr uint32_t kGgmlMagic = 0x67676d6c; // "ggml"

// Magnitudes of the wiring; chosen so the successor wins by ~70 logits over anything else.
constexpr float kEmbedding = 1.0f;        // one-hot value of a chain token's embedding row
constexpr float kDetectBias = -10.0f;     // a normalised one-hot slot reads ~19.6, every other slot ~-0.05
constexpr float kEdgeWeight = 1.0f;       // strength of "write the successor's slot"
constexpr float kWeakEdgeWeight = 0.5f;   // end of phrase: prefer <|30.00|>, <|endoftext|> second
constexpr float kFinalNormWeight = 5.0f;  // scales every logit of a chain token
constexpr float kEndOfTextBias = 20.0f;   // tokens outside the chain end the segment straight away

struct Hparams {
    int32_t nVocab, nAudioCtx, nAudioState, nAudioHead, nAudioLayer;
    int32_t nTextCtx, nTextState, nTextHead, nTextLayer, nMels, ftype;
};

struct ParsedInput {
    std::vector<char> bytes;
    Hparams hp{};
    std::vector<std::string> vocab; // as stored in the file (text tokens, maybe <|endoftext|>)
};

// Special token ids, computed the way whisper.cpp's loader does.
struct SpecialTokens {
    bool multilingual = false;
    int32_t eot = 50256, sot = 50257, translate = 50357, transcribe = 50358;
    int32_t solm = 50359, prev = 50360, nosp = 50361, noTimestamps = 50362, beg = 50363;

    explicit SpecialTokens(int32_t nVocab)
    {
        multilingual = nVocab >= 51865;
        if (multilingual) {
            const int dt = (nVocab - 51765 - 1) - 98;
            ++eot;
            ++sot;
            for (int32_t *id : {&translate, &transcribe, &solm, &prev, &nosp, &noTimestamps, &beg})
                *id += dt;
        }
    }
    int32_t english() const { return sot + 1; }
};

enum class Type : int32_t { F32 = 0, F16 = 1 };

struct Tensor {
    std::string name;
    Type type;
    std::vector<int32_t> ne;
    std::map<size_t, float> values; // sparse content; every other element is zero
};

[[noreturn]] void fail(const std::string &message) { throw std::runtime_error(message); }

template <typename T> T readAt(const std::vector<char> &bytes, size_t &offset)
{
    if (offset + sizeof(T) > bytes.size())
        fail("truncated model file");
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    offset += sizeof(T);
    return value;
}

ParsedInput parseInput(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot open " + path);
    ParsedInput input;
    input.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());

    size_t offset = 0;
    if (readAt<uint32_t>(input.bytes, offset) != kGgmlMagic)
        fail(path + " is not a ggml whisper model");
    Hparams &hp = input.hp;
    for (int32_t *field : {&hp.nVocab, &hp.nAudioCtx, &hp.nAudioState, &hp.nAudioHead, &hp.nAudioLayer,
                           &hp.nTextCtx, &hp.nTextState, &hp.nTextHead, &hp.nTextLayer, &hp.nMels, &hp.ftype})
        *field = readAt<int32_t>(input.bytes, offset);
    if (hp.ftype != 0 && hp.ftype != 1)
        fail("only f32 and f16 models are supported (ftype " + std::to_string(hp.ftype) + ")");
    if (hp.nAudioState != hp.nTextState)
        fail("audio and text widths differ");

    const auto nMel = readAt<int32_t>(input.bytes, offset);
    const auto nFft = readAt<int32_t>(input.bytes, offset);
    offset += size_t(nMel) * size_t(nFft) * sizeof(float);

    const auto nStored = readAt<int32_t>(input.bytes, offset);
    for (int32_t i = 0; i < nStored; ++i) {
        const auto length = readAt<uint32_t>(input.bytes, offset);
        if (offset + length > input.bytes.size())
            fail("truncated vocabulary");
        input.vocab.emplace_back(input.bytes.data() + offset, length);
        offset += length;
    }
    if (offset != input.bytes.size())
        fail(path + " already contains tensors; pass a weight-less for-tests model");
    return input;
}

// Greedy longest match over the text tokens (ids below <|endoftext|>).
std::vector<int32_t> tokenise(const std::string &phrase, const std::vector<std::string> &vocab, int32_t eot)
{
    std::map<std::string, int32_t> ids;
    size_t longest = 0;
    for (int32_t id = 0; id < int32_t(vocab.size()) && id < eot; ++id) {
        if (!vocab[id].empty() && ids.emplace(vocab[id], id).second)
            longest = std::max(longest, vocab[id].size());
    }
    std::vector<int32_t> tokens;
    for (size_t pos = 0; pos < phrase.size();) {
        size_t length = std::min(longest, phrase.size() - pos);
        for (; length > 0; --length) {
            const auto it = ids.find(phrase.substr(pos, length));
            if (it != ids.end()) {
                tokens.push_back(it->second);
                break;
            }
        }
        if (length == 0)
            fail("no vocabulary entry matches the phrase at byte " + std::to_string(pos));
        pos += length;
    }
    return tokens;
}

uint16_t toHalf(float value)
{
    return std::bit_cast<uint16_t>(static_cast<_Float16>(value));
}

// Writes a ggml tensor stream, turning runs of zeros into seeks.
class SparseWriter {
public:
    explicit SparseWriter(const std::string &path)
        : m_path(path), m_out(path, std::ios::binary | std::ios::trunc)
    {
        if (!m_out)
            fail("cannot write " + path);
    }

    void bytes(const void *data, size_t size)
    {
        if (m_pendingZeros > 0) {
            m_out.seekp(std::streamoff(m_pendingZeros), std::ios::cur);
            m_pendingZeros = 0;
        }
        m_out.write(static_cast<const char *>(data), std::streamsize(size));
        m_size += size;
    }
    template <typename T> void value(T v) { bytes(&v, sizeof v); }
    void zeros(size_t count)
    {
        m_pendingZeros += count;
        m_size += count;
    }

    void tensor(const Tensor &t)
    {
        value(int32_t(t.ne.size()));
        value(int32_t(t.name.size()));
        value(int32_t(t.type));
        size_t elements = 1;
        for (int32_t n : t.ne) {
            value(n);
            elements *= size_t(n);
        }
        bytes(t.name.data(), t.name.size());

        const size_t elementSize = t.type == Type::F16 ? 2 : 4;
        size_t next = 0;
        for (const auto &[index, v] : t.values) {
            if (index >= elements)
                fail("element outside tensor " + t.name);
            zeros((index - next) * elementSize);
            if (t.type == Type::F16)
                value(toHalf(v));
            else
                value(v);
            next = index + 1;
        }
        zeros((elements - next) * elementSize);
    }

    size_t finish()
    {
        m_out.close();
        if (!m_out)
            fail("writing " + m_path + " failed");
        std::filesystem::resize_file(m_path, m_size); // materialises trailing zeros
        return m_size;
    }

private:
    std::string m_path;
    std::ofstream m_out;
    size_t m_pendingZeros = 0;
    size_t m_size = 0;
};

// Every tensor whisper.cpp's loader creates, in its order, all zero.
std::vector<Tensor> zeroModel(const Hparams &hp)
{
    const Type w = hp.ftype == 0 ? Type::F32 : Type::F16; // matrices follow ftype, the rest is f32
    const int32_t a = hp.nAudioState, t = hp.nTextState;
    std::vector<Tensor> tensors;
    auto add = [&](std::string name, Type type, std::vector<int32_t> ne) {
        tensors.push_back({std::move(name), type, std::move(ne), {}});
    };
    auto block = [&](const std::string &p, int32_t n, bool cross) {
        add(p + "mlp_ln.weight", Type::F32, {n});
        add(p + "mlp_ln.bias", Type::F32, {n});
        add(p + "mlp.0.weight", w, {n, 4 * n});
        add(p + "mlp.0.bias", Type::F32, {4 * n});
        add(p + "mlp.2.weight", w, {4 * n, n});
        add(p + "mlp.2.bias", Type::F32, {n});
        for (const std::string &attn : cross ? std::vector<std::string>{"attn", "cross_attn"}
                                            : std::vector<std::string>{"attn"}) {
            add(p + attn + "_ln.weight", Type::F32, {n});
            add(p + attn + "_ln.bias", Type::F32, {n});
            add(p + attn + ".query.weight", w, {n, n});
            add(p + attn + ".query.bias", Type::F32, {n});
            add(p + attn + ".key.weight", w, {n, n});
            add(p + attn + ".value.weight", w, {n, n});
            add(p + attn + ".value.bias", Type::F32, {n});
            add(p + attn + ".out.weight", w, {n, n});
            add(p + attn + ".out.bias", Type::F32, {n});
        }
    };

    add("encoder.positional_embedding", Type::F32, {a, hp.nAudioCtx});
    add("encoder.conv1.weight", w, {3, hp.nMels, a});
    add("encoder.conv1.bias", Type::F32, {1, a});
    add("encoder.conv2.weight", w, {3, a, a});
    add("encoder.conv2.bias", Type::F32, {1, a});
    add("encoder.ln_post.weight", Type::F32, {a});
    add("encoder.ln_post.bias", Type::F32, {a});
    for (int32_t i = 0; i < hp.nAudioLayer; ++i)
        block("encoder.blocks." + std::to_string(i) + ".", a, false);

    add("decoder.positional_embedding", Type::F32, {t, hp.nTextCtx});
    add("decoder.token_embedding.weight", w, {t, hp.nVocab});
    add("decoder.ln.weight", Type::F32, {t});
    add("decoder.ln.bias", Type::F32, {t});
    for (int32_t i = 0; i < hp.nTextLayer; ++i)
        block("decoder.blocks." + std::to_string(i) + ".", t, true);
    return tensors;
}

Tensor &find(std::vector<Tensor> &tensors, const std::string &name)
{
    for (Tensor &t : tensors) {
        if (t.name == name)
            return t;
    }
    fail("missing tensor " + name);
}

struct Edge {
    int32_t from, to;
    float weight;
};

std::vector<Edge> chainEdges(const SpecialTokens &sp, const std::vector<int32_t> &phrase)
{
    const int32_t endTimestamp = sp.beg + 1500; // <|30.00|>: the segment spans the whole window
    std::vector<Edge> edges;
    if (sp.multilingual) {
        edges.push_back({sp.sot, sp.english(), kEdgeWeight});
        edges.push_back({sp.transcribe, sp.beg, kEdgeWeight});
        edges.push_back({sp.translate, sp.beg, kEdgeWeight});
    } else {
        edges.push_back({sp.sot, sp.beg, kEdgeWeight});
    }
    edges.push_back({sp.noTimestamps, phrase.front(), kEdgeWeight});
    edges.push_back({sp.beg, phrase.front(), kEdgeWeight});
    for (size_t i = 0; i + 1 < phrase.size(); ++i)
        edges.push_back({phrase[i], phrase[i + 1], kEdgeWeight});
    edges.push_back({phrase.back(), endTimestamp, kEdgeWeight});
    edges.push_back({phrase.back(), sp.eot, kWeakEdgeWeight}); // taken when timestamps are suppressed
    edges.push_back({endTimestamp, sp.eot, kEdgeWeight});
    return edges;
}

void wireChain(std::vector<Tensor> &tensors, const Hparams &hp, const std::vector<Edge> &edges, int32_t eot)
{
    const size_t n = size_t(hp.nTextState);
    std::map<int32_t, size_t> slot;
    for (const Edge &e : edges) {
        for (int32_t token : {e.from, e.to})
            slot.emplace(token, slot.size());
    }
    slot.emplace(eot, slot.size());
    if (slot.size() > n || edges.size() > 4 * n)
        fail("phrase too long for a model of width " + std::to_string(n));

    Tensor &embedding = find(tensors, "decoder.token_embedding.weight");
    for (const auto &[token, s] : slot)
        embedding.values[size_t(token) * n + s] = kEmbedding;

    Tensor &mlpNorm = find(tensors, "decoder.blocks.0.mlp_ln.weight");
    for (size_t i = 0; i < n; ++i)
        mlpNorm.values[i] = 1.0f;

    Tensor &up = find(tensors, "decoder.blocks.0.mlp.0.weight");      // [4n rows][n]
    Tensor &upBias = find(tensors, "decoder.blocks.0.mlp.0.bias");
    Tensor &down = find(tensors, "decoder.blocks.0.mlp.2.weight");    // [n rows][4n]
    for (size_t unit = 0; unit < edges.size(); ++unit) {
        up.values[unit * n + slot.at(edges[unit].from)] = 1.0f;
        upBias.values[unit] = kDetectBias;
        down.values[slot.at(edges[unit].to) * 4 * n + unit] = edges[unit].weight;
    }

    Tensor &finalNorm = find(tensors, "decoder.ln.weight");
    for (size_t i = 0; i < n; ++i)
        finalNorm.values[i] = kFinalNormWeight;
    find(tensors, "decoder.ln.bias").values[slot.at(eot)] = kEndOfTextBias;
}

// Gives the model the widths and depths of a real model size, so it loads and runs as slowly as
// one: "tiny" (the for-tests models' own), "base" or "small". Patches the header bytes as well.
void resize(ParsedInput &input, const std::string &size)
{
    struct Shape {
        int32_t state, heads, layers;
    };
    const std::map<std::string, Shape> shapes = {{"tiny", {384, 6, 4}}, {"base", {512, 8, 6}}, {"small", {768, 12, 12}}};
    const auto shape = shapes.find(size);
    if (shape == shapes.end())
        fail("unknown model size " + size + " (tiny, base or small)");
    Hparams &hp = input.hp;
    hp.nAudioState = hp.nTextState = shape->second.state;
    hp.nAudioHead = hp.nTextHead = shape->second.heads;
    hp.nAudioLayer = hp.nTextLayer = shape->second.layers;
    // Header: magic, then the hyper-parameters in Hparams order, 4 bytes each.
    const std::pair<size_t, int32_t> fields[] = {{12, hp.nAudioState}, {16, hp.nAudioHead}, {20, hp.nAudioLayer},
                                                 {28, hp.nTextState},  {32, hp.nTextHead},  {36, hp.nTextLayer}};
    for (const auto &[offset, value] : fields)
        std::memcpy(input.bytes.data() + offset, &value, sizeof value);
}

int run(int argc, char **argv)
{
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: make_synthetic_model <for-tests-model.bin> <out.bin> \"<phrase>\" [tiny|base|small]\n"
                     "Writes a whisper model (ggml) that transcribes any audio as <phrase>, with the\n"
                     "layer sizes of the given model size (default: those of the input).\n";
        return 2;
    }
    ParsedInput input = parseInput(argv[1]);
    if (argc == 5)
        resize(input, argv[4]);
    const SpecialTokens special(input.hp.nVocab);
    const std::string phrase = argv[3];
    if (phrase.empty())
        fail("the phrase is empty");

    const std::vector<int32_t> tokens = tokenise(phrase, input.vocab, special.eot);
    if (std::set<int32_t>(tokens.begin(), tokens.end()).size() != tokens.size())
        fail("the phrase repeats a token; the synthetic decoder can only follow distinct tokens");
    if (tokens.size() > size_t(input.hp.nTextCtx / 2 - 8))
        fail("the phrase has too many tokens for one segment");

    std::vector<Tensor> tensors = zeroModel(input.hp);
    wireChain(tensors, input.hp, chainEdges(special, tokens), special.eot);

    SparseWriter out(argv[2]);
    out.bytes(input.bytes.data(), input.bytes.size());
    for (const Tensor &t : tensors)
        out.tensor(t);
    std::cout << "wrote " << argv[2] << " (" << out.finish() << " bytes)\n";
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        std::cerr << "make_synthetic_model: " << e.what() << '\n';
        return 1;
    }
}
