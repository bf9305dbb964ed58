#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PdfObject.h"
#include "PdfSecurity.h"

namespace sorvik {
namespace {

std::string Bytes(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

TPdfObject N(const char* name) { return TPdfObject::Name(name); }
TPdfObject I(std::int64_t value) { return TPdfObject::Int(value); }
TPdfObject S(const char* hex) { return TPdfObject::String(Bytes(hex)); }
TPdfObject D(std::vector<std::pair<std::string, TPdfObject>> entries) {
  return TPdfObject::Dict(TPdfDict(std::move(entries)));
}

// The dictionary with entries replaced or added.
TPdfDict With(const TPdfDict& dict, std::vector<std::pair<std::string, TPdfObject>> changes) {
  std::vector<std::pair<std::string, TPdfObject>> entries = changes;
  for (const auto& entry : dict.Entries()) {
    bool changed = false;
    for (const auto& c : changes) changed = changed || c.first == entry.first;
    if (!changed) entries.push_back(entry);
  }
  return TPdfDict(std::move(entries));
}

// Files qpdf 11.3 encrypted (qpdf --object-streams=disable --compress-streams=n
// --allow-weak-crypto --encrypt USER owner BITS ...) from one page whose
// content stream (object 6) shows a line of text, with a /Title in the
// document information (object 2) and an XMP stream (object 3). Their
// /Encrypt dictionaries, first /ID strings, and those objects' bytes as the
// files hold them.
struct TQpdfFile {
  const char* name;
  TPdfObject encrypt;
  const char* id;
  const char* title;     // object 2's /Title
  const char* content;   // object 6's data
  const char* metadata;  // object 3's data
};

const std::string kContent = "BT /F1 12 Tf 72 712 Td (Hello encrypted world) Tj ET\n";
const std::string kTitle = "Sorvik secret title";
const std::string kMetadata = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>Sorvik metadata</x:xmpmeta>";

// In order: 40-bit RC4 (V1 R2); 128-bit RC4 (V2 R3); 128-bit RC4 as a crypt
// filter (--force-V4); AES-128 (V4); AES-256 (V5 R6); AES-256 (--force-R5);
// AES-128 with --extract=n; AES-128 with --cleartext-metadata; then with the
// user password "userpw": AES-256 and 128-bit RC4.
const std::vector<TQpdfFile>& QpdfFiles() {
  static const std::vector<TQpdfFile> files = {
      {"rc4-40",
       D({{"Filter", N("Standard")},
          {"Length", I(40)},
          {"O", S("c92422687facee686e373f10b5c7d04738053152f7e2ee30e11c69ec442576ab")},
          {"P", I(-4)},
          {"R", I(2)},
          {"U", S("a28fbbf5aca5564cebae74bdb150d6010631de803d111fd9eeb73f6a9522816b")},
          {"V", I(1)}}),
       "ee6eb49655da76db1b96817251acca0d",
       "6c38ee16d513f6c1b6e092a9c18e44fb7d50c3",
       "7326970972e3f39556434279dce42adfcff11894d7beca714f844cc3ee68bf67edba6e8f593eddb8e01a363b41a5c3e1"
       "702b49c79f",
       "be3051f2e7730947c281d6ef967a974c338cb28d319d18f26345092b491086cf63a0bc880a425c8e9e8809e4d4af0b4a"
       "cc17e2d31124c6ea4c24fad918f3de"},
      {"rc4-128",
       D({{"Filter", N("Standard")},
          {"Length", I(128)},
          {"O", S("566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5")},
          {"P", I(-4)},
          {"R", I(3)},
          {"U", S("52b71e310e4c8316687c0467184480500122456a91bae5134273a6db134c87c4")},
          {"V", I(2)}}),
       "f577f3ef2a0758b77ec2dd4b6adc49e1",
       "45091c9681166bf016248c7ce619ac60ee44a5",
       "56833f075f23b571d2422345fb35bf5af56dfa7f48dd0766732c4609ef914197dcff1bb1774088b8bb5c5d7abe515685"
       "04aeb947f3",
       "54c84c3c610bfc2abb6f675fcb5be7118e0e1dbce36546936d2211e06a12a26770b6fe33376968e1d3953f977ecef1a7"
       "fcd39b9547994d662b62c6abafb0fa"},
      {"rc4-128-v4",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("V2")}, {"Length", I(16)}})}})},
          {"Filter", N("Standard")},
          {"Length", I(128)},
          {"O", S("566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5")},
          {"P", I(-4)},
          {"R", I(4)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("38b83bb4e49af1b38e6bd1af5cf1de330122456a91bae5134273a6db134c87c4")},
          {"V", I(4)}}),
       "ac76badd245f8354679f1f134a5959d7",
       "4de28a5c7577aac5cf62ddf4117aef1234f679",
       "79e2950ecaa065d1083ae398c02b7cb4317e2491629dd42da3816f67f4a101f0a0d715515e3a664007014e109273dbd5"
       "3ddacbe25f",
       "9e6e66926476f72805045ddb5d0d8a69f2d9f8aec9666a76d4d77638d8ffdb4ff3ebda8b854a225d7b2e4731a715c3ef"
       "dbbc71ee1a33164fbff9e5d92bf41d"},
      {"aes-128",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("AESV2")}, {"Length", I(16)}})}})},
          {"Filter", N("Standard")},
          {"Length", I(128)},
          {"O", S("566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5")},
          {"P", I(-4)},
          {"R", I(4)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("25e527577a4b6bb6c63effcb2c444f900122456a91bae5134273a6db134c87c4")},
          {"V", I(4)}}),
       "2d6cf715855fdb2474c432b91a58e4ae",
       "be625adb5fc972b14c2a32e1089d50eee3f17197e33ed56fefd467ff638c3b5b4f6c7205a009837c4756fd765095af3b",
       "da5cf007fe82926118340a629a26a8fc079c35d60a843d9e7a9f41e85216be17841e01ec7f7e9db55ea0ebdc36b2bc3c"
       "75551525c653da5618743407541de205bbbfabc942597b7fefe00d01fdcbbc22",
       "07d291b37e56f834690fecfdae02a05c1bad2cba754214d995e6dc45ae413f92c1b7aa2a7eeabed45f2ad22b7a5481f7"
       "da5b8e86f8da5d88485dad87ed737fa1721f956f54e246b5a72b537371be5cda"},
      {"aes-256",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("AESV3")}, {"Length", I(32)}})}})},
          {"Filter", N("Standard")},
          {"Length", I(256)},
          {"O", S("05c1d553a31e8684cc55d2376021b5eddafd69aa6bd5ea318c4f6ec619a333f8"
                     "1f47cd50c7265d023f02985f8bcd6a9f")},
          {"OE", S("2423f9a4462b3e6ecee825280947e8277759de5092e28763d4aee207376214f5")},
          {"P", I(-4)},
          {"Perms", S("864f740955fbc1f89611c69860d93c12")},
          {"R", I(6)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("3ade0dc715bdf829aa12b1c317aba992cfc4b4a1a8b7ad3383991b48d0acb26a"
                     "54db29edb915bfffecd4fe7f840d5d98")},
          {"UE", S("6ccfc8c53a18a2347032f6250b32ff59963ea4390b7f5c5d850bb2f2a000d4df")},
          {"V", I(5)}}),
       "629ed9ad91f7b7a50cf3062b07469973",
       "0d0d40fd0a94cbf4e132a2e5160f893265ebd1885f1857d43c2344e2d9e770cb8513ec8a36f41956d52dfd153eb4449a",
       "f3832e6e3d1fd4b1b717ae6dec4955ae2704b8ddc8f24ede5762f73a34c913262bf1e2aebe94f84fc18740655cbc17ab"
       "3da954d01b12f1acc03e8119c47c072264ca108e610546f3192b886c8d39c343",
       "9fadf44ed6e286bd9f518b69caecab3c017ce5d5be3607f33d5a849f708fd388ea834a87631761f186814f69acd7c317"
       "b59781dc0b99a43a8f991b6a8971760d3222851510e63ace086de45a53abd99e"},
      {"aes-256-r5",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("AESV3")}, {"Length", I(32)}})}})},
          {"Filter", N("Standard")},
          {"Length", I(256)},
          {"O", S("dca73fa301fa9e3fd4a57910bb213ab207e8f15f7b8a8ec47932c5e5fe425b8b"
                     "117e85a0957efa68a4cc2a65b2c92324")},
          {"OE", S("272a64958e44950c9fd3cadd0e4f57b3a011faf9c5d9e499787334f38bb4298d")},
          {"P", I(-4)},
          {"Perms", S("ed64b2792792d78afc49667e4e9f3f0a")},
          {"R", I(5)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("9bc3bea6e63ca2e019e20de82b90201025a003a7eaeaafed7942b277b7f51a3c"
                     "c9184f01f8773ac5a4e8809da731c4d5")},
          {"UE", S("6867d6511f212725e30c9e75894cf7e1fcd8c55038ee598410de3be69e714deb")},
          {"V", I(5)}}),
       "46e9c040c6afa0ee17332f180978e4a2",
       "a650ea0e837c1a262ffbf6f7c6bcaf2696b0067d7d28c88fb040245bc3b234a885c26c7cd09528d3e0de43c8a68ac4c3",
       "9cf0f7d5775ebfbc2943d18ad88aab82d11e773d919cffbe1368975794b789765a18b4014aa646a25d894e1fbbdfab72"
       "42df135c29f5df774600adadc785cf2b7b81a6a85287f56d86bd675c6d61a25e",
       "6948a3a3e2ad38e1831a7713a5dd74945aab83b9cfb851ba2ab9cf4152c98733c7716abd85ffa2b5f197262bcb7cc034"
       "c656c5592830285e0c8a8a9352beaf7e659b237ea54f2868a4e5a8d091be3c2c"},
      {"nocopy",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("AESV2")}, {"Length", I(16)}})}})},
          {"Filter", N("Standard")},
          {"Length", I(128)},
          {"O", S("566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5")},
          {"P", I(-20)},
          {"R", I(4)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("46c26f350aa7528b73d431760fed9e020122456a91bae5134273a6db134c87c4")},
          {"V", I(4)}}),
       "abf14f7323b7db4e6b9598b062d1b807",
       "9bd6f937258e477e1429a92c20655f11eab818ed072cda6bd1ea5df37172dc2364b0d0da4d31dca3736a762668cd2dc9",
       "f5f8073fd88696716fba84eac1fe7d82cfbfda7f8ff835a6d37dfd4c6f350d7dea8a8c3b6b58df74c1443d3a0d51aba8"
       "29b36b0e42cdd6708e43299bfc8c7ecdf8373519be3874b396dfa7f6df403f6e",
       "95ac90068243925f59574648b07d53c30281472c7655b2e3fd6a98c4fab75c4311587279fbd3cce57df5a128cfc7a9c9"
       "a6c32cf87b8d8fee651f02fed67ad0175e124d7e0a5c01d970d2c4cc6adab92b"},
      {"cleartext-meta",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("AESV2")}, {"Length", I(16)}})}})},
          {"EncryptMetadata", TPdfObject::Bool(false)},
          {"Filter", N("Standard")},
          {"Length", I(128)},
          {"O", S("566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5")},
          {"P", I(-4)},
          {"R", I(4)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("23465907cb2b922c8efcaabf1800f8640122456a91bae5134273a6db134c87c4")},
          {"V", I(4)}}),
       "1a129ee6e3721b13d4b178b20ed3a046",
       "61157d9d7e0cba6cfb27e47138642013eaadf56b8624865fc111e72370ed68de9d3e5bbb7792f70b4a297216fc8b8cb7",
       "7db18f5de42be261ee70c167bf5c6bf6d8ed3a8df1f68c7724c957f33098ba5e7d0ad4d96707aaf6b31cf2abfb97e752"
       "a263ce7ee9da7e17bae51b79582440505bbce0ec254a5cc115ffd0188e9d8527",
       "3c783a786d706d65746120786d6c6e733a783d2761646f62653a6e733a6d6574612f273e536f7276696b206d65746164"
       "6174613c2f783a786d706d6574613e"},
      {"user-256",
       D({{"CF", D({{"StdCF", D({{"AuthEvent", N("DocOpen")}, {"CFM", N("AESV3")}, {"Length", I(32)}})}})},
          {"Filter", N("Standard")},
          {"Length", I(256)},
          {"O", S("9bd11cb9c8895cb01648b597cdab4458af3353fb38132fc4a99cacdbefdf7358"
                     "51d3f50d0a60fc9bc63f8c99952b342f")},
          {"OE", S("1788ebb8679380365cae480ba4424738abfcf977213d07c2110738a27fa89742")},
          {"P", I(-4)},
          {"Perms", S("6aea3be9ded96a5f3208bb5b584ad8f4")},
          {"R", I(6)},
          {"StmF", N("StdCF")},
          {"StrF", N("StdCF")},
          {"U", S("22440f07491af5ed16b1a085b0d673b38496ffc96dc2fd2f931eeaa122681d9a"
                     "e93ea633ca9a24b46ff008a23bf26df8")},
          {"UE", S("fcabce92fa177d0699a84f56547365c456fa27bae4f749dd1b357e9d8e429269")},
          {"V", I(5)}}),
       "3af77213947cbf40ad297ab62988e9ca",
       "53505b5e431b4cac48f65908a170009853d7fd468aa975dff5d087f6200e9695ec61fdc357222c65a3b25a8ff9f6e34c",
       "f4737ad3f708fe050e328c39d6b4f12e9bb568af70a0927b5900b1bd44aeb1599e3f1ff725038ebda3b4349ca5718506"
       "01c4f3e7d3472295e588cf773a611de03f5bcb86534b555ee7b52d3d4deef011",
       "a45ffef12321d82540b304dd77e833be91bced53d756fe9b4c2f8bbc6b447352c7511e6745327245932434de14213575"
       "b06f5fe4e354c3ed0c6275ac7ef9295741f13a46d75ac7f656ccbbda16178f5b"},
      {"user-rc4-128",
       D({{"Filter", N("Standard")},
          {"Length", I(128)},
          {"O", S("0ba3835fd0316569e765906caf64e4429a4c20d6e996fdef963e9b5080f9e083")},
          {"P", I(-4)},
          {"R", I(3)},
          {"U", S("db6a465f6ae87942591c4e11e505e1fe0122456a91bae5134273a6db134c87c4")},
          {"V", I(2)}}),
       "ac3059711ef94969ba5394c5c5404ecd",
       "7373352d142d1f06b0b271000d837af88eea06",
       "26361b7270f9b14a37a5dc4c4f125e8be2c5ca798312e5eeee3f6a632aa7ad3b0b15182ae8cf31e7ecbe863e3f35650b"
       "eb1ab40f62",
       "0b95d6814a998d7de08c49e651c0c96592b029aca20d96d1ff672af9629f0d57f3d7fd061b34c953f09ee860da9dc51b"
       "a2f05a3a9cf94633ce56a7d58f2882"},
  };
  return files;
}

const TQpdfFile& File(std::string_view name) {
  for (const TQpdfFile& f : QpdfFiles())
    if (f.name == name) return f;
  throw std::invalid_argument("no such file");
}

TPdfSecurity Security(const TQpdfFile& f) { return TPdfSecurity(f.encrypt.AsDict(), Bytes(f.id)); }

const TPdfDict kPlainStream;
const TPdfDict kMetadataStream({{"Type", N("Metadata")}, {"Subtype", N("XML")}});

// Every file made with the empty user password opens: its title, content and
// metadata come back as they were written; the permissions are given, and a
// file that forbids copying opens all the same.
TEST(PdfSecurity, QpdfFilesOpenWithTheEmptyPassword) {
  for (const TQpdfFile& f : QpdfFiles()) {
    if (std::string_view(f.name).starts_with("user-")) continue;
    SCOPED_TRACE(f.name);
    const TPdfSecurity security = Security(f);
    ASSERT_EQ(security.Access(), TPdfAccess::Open);
    EXPECT_EQ(security.Permissions(), std::string_view(f.name) == "nocopy" ? -20 : -4);
    EXPECT_EQ(security.DecryptString(Bytes(f.title), {2, 0}), kTitle);
    EXPECT_EQ(security.DecryptStream(Bytes(f.content), {6, 0}, kPlainStream), kContent);
    EXPECT_EQ(security.DecryptStream(Bytes(f.metadata), {3, 0}, kMetadataStream), kMetadata);
    // Up to revision 4 each object has a key of its own (from its number and generation).
    const bool perObject = !std::string_view(f.name).starts_with("aes-256");
    for (const TPdfRef other : {TPdfRef{7, 0}, TPdfRef{2, 1}})
      EXPECT_EQ(security.DecryptString(Bytes(f.title), other) == kTitle, !perObject);
  }
  // The metadata of the file that leaves it in clear text is in clear text.
  EXPECT_EQ(Bytes(File("cleartext-meta").metadata), kMetadata);
}

// A user password, or a file with another /ID (which the key is made from,
// up to revision 4): the empty password doesn't open it, and nothing is decrypted.
TEST(PdfSecurity, PasswordRequired) {
  for (const char* name : {"user-256", "user-rc4-128"}) {
    const TQpdfFile& f = File(name);
    const TPdfSecurity security = Security(f);
    EXPECT_EQ(security.Access(), TPdfAccess::PasswordRequired) << name;
    EXPECT_EQ(security.DecryptString(Bytes(f.title), {2, 0}), Bytes(f.title));
    EXPECT_EQ(security.DecryptStream(Bytes(f.content), {6, 0}, kPlainStream), std::nullopt);
  }
  for (const char* name : {"rc4-40", "rc4-128", "aes-128"}) {
    const TQpdfFile& f = File(name);
    EXPECT_EQ(TPdfSecurity(f.encrypt.AsDict(), Bytes(File("aes-256").id)).Access(), TPdfAccess::PasswordRequired)
        << name;
  }
  // /P is part of the key too: changed, the file doesn't open.
  const TQpdfFile& aes = File("aes-128");
  EXPECT_EQ(TPdfSecurity(With(aes.encrypt.AsDict(), {{"P", I(-8)}}), Bytes(aes.id)).Access(),
            TPdfAccess::PasswordRequired);
  // /P written as the unsigned number of the same 32 bits.
  const TPdfSecurity unsignedP(With(aes.encrypt.AsDict(), {{"P", I(4294967292)}}), Bytes(aes.id));
  EXPECT_EQ(unsignedP.Access(), TPdfAccess::Open);
  EXPECT_EQ(unsignedP.Permissions(), -4);
}

// Handlers, versions, revisions and values not handled are refused.
TEST(PdfSecurity, UnsupportedHandlers) {
  const TPdfDict rc4 = File("rc4-128").encrypt.AsDict();
  const TPdfDict aes = File("aes-128").encrypt.AsDict();
  const TPdfDict aes256 = File("aes-256").encrypt.AsDict();
  const std::vector<TPdfDict> refused = {
      With(rc4, {{"Filter", N("Adobe.PubSec")}}),
      With(rc4, {{"Filter", TPdfObject()}}),
      With(rc4, {{"V", I(3)}}),
      With(rc4, {{"V", I(0)}}),
      With(rc4, {{"R", I(4)}}),
      With(aes, {{"R", I(3)}}),
      With(aes256, {{"R", I(4)}}),
      With(aes256, {{"R", I(7)}}),
      With(rc4, {{"Length", I(44)}}),
      With(rc4, {{"Length", I(256)}}),
      With(rc4, {{"O", S("00112233")}}),
      With(aes256, {{"U", S("00112233")}}),
      With(aes256, {{"UE", TPdfObject()}}),
      With(aes, {{"StmF", N("Elsewhere")}}),
      With(aes, {{"CF", D({{"StdCF", D({{"CFM", N("AESV9")}})}})}}),
      With(aes, {{"CF", D({{"StdCF", D({{"CFM", N("AESV3")}})}})}}),   // not in version 4
      With(aes, {{"Length", I(40)}}),                                  // AES-128 needs a 128-bit key
      With(aes256, {{"CF", D({{"StdCF", D({{"CFM", N("AESV2")}})}})}}),  // not in version 5
  };
  for (std::size_t i = 0; i < refused.size(); ++i) {
    const TPdfSecurity security(refused[i], Bytes(File("aes-128").id));
    EXPECT_EQ(security.Access(), TPdfAccess::Unsupported) << i;
    EXPECT_EQ(security.DecryptStream("x", {6, 0}, kPlainStream), std::nullopt);
  }
  EXPECT_EQ(TPdfSecurity(TPdfDict(), "").Access(), TPdfAccess::Unsupported);
}

// A stream's own crypt filter wins over the file's; cross-reference streams,
// clear-text metadata and embedded files follow their own rules.
TEST(PdfSecurity, StreamsChooseTheirFilter) {
  const TQpdfFile& f = File("aes-128");
  const TPdfSecurity security = Security(f);
  const std::string content = Bytes(f.content);
  const auto stream = [&](std::vector<std::pair<std::string, TPdfObject>> entries) {
    return security.DecryptStream(content, {6, 0}, TPdfDict(std::move(entries)));
  };
  EXPECT_EQ(stream({{"Filter", N("Crypt")}}), content);  // Identity when no name
  EXPECT_EQ(stream({{"Filter", N("Crypt")}, {"DecodeParms", D({{"Name", N("Identity")}})}}), content);
  EXPECT_EQ(stream({{"Filter", TPdfObject::Array({N("Crypt")})}, {"DecodeParms", D({{"Name", N("StdCF")}})}}),
            kContent);
  EXPECT_EQ(stream({{"Filter", TPdfObject::Array({N("Crypt"), N("FlateDecode")})},
                    {"DecodeParms", TPdfObject::Array({D({{"Name", N("StdCF")}}), TPdfObject()})}}),
            kContent);
  EXPECT_EQ(stream({{"Filter", N("Crypt")}, {"DecodeParms", D({{"Name", N("Undefined")}})}}), std::nullopt);
  EXPECT_EQ(stream({{"Type", N("XRef")}}), content);
  EXPECT_EQ(stream({{"Type", N("EmbeddedFile")}}), kContent);  // /EFF defaults to /StmF
  EXPECT_EQ(stream({{"Type", N("Metadata")}}), kContent);      // this file encrypts its metadata

  const TPdfSecurity identityFiles(With(f.encrypt.AsDict(), {{"EFF", N("Identity")}}), Bytes(f.id));
  EXPECT_EQ(identityFiles.DecryptStream(content, {6, 0}, TPdfDict({{"Type", N("EmbeddedFile")}})), content);
  EXPECT_EQ(identityFiles.DecryptStream(content, {6, 0}, kPlainStream), kContent);
  const TPdfSecurity undefinedFiles(With(f.encrypt.AsDict(), {{"EFF", N("Nowhere")}}), Bytes(f.id));
  EXPECT_EQ(undefinedFiles.Access(), TPdfAccess::Open);
  EXPECT_EQ(undefinedFiles.DecryptStream(content, {6, 0}, TPdfDict({{"Type", N("EmbeddedFile")}})), std::nullopt);
  // Strings in clear: /StrF Identity.
  const TPdfSecurity clearStrings(With(f.encrypt.AsDict(), {{"StrF", N("Identity")}}), Bytes(f.id));
  EXPECT_EQ(clearStrings.DecryptString("plain", {2, 0}), "plain");
  EXPECT_EQ(clearStrings.DecryptStream(content, {6, 0}, kPlainStream), kContent);
}

// AES data of odd shapes: nothing without a whole vector, a part block left
// out, padding that isn't sound kept.
TEST(PdfSecurity, AesDataOfOddShapes) {
  const TQpdfFile& f = File("aes-256");
  const TPdfSecurity security = Security(f);
  const std::string content = Bytes(f.content);  // vector + 4 blocks: 53 bytes and 11 of padding
  ASSERT_EQ(content.size(), 80u);
  EXPECT_EQ(security.DecryptString("", {6, 0}), "");
  EXPECT_EQ(security.DecryptString(content.substr(0, 15), {6, 0}), "");
  EXPECT_EQ(security.DecryptString(content.substr(0, 16), {6, 0}), "");
  EXPECT_EQ(security.DecryptString(content.substr(0, 40), {6, 0}), kContent.substr(0, 16));
  EXPECT_EQ(security.DecryptString(content.substr(0, 64), {6, 0}), kContent.substr(0, 48));
  std::string badPadding = content;
  badPadding[16 + 47] ^= 0x40;  // the last padding byte, through the block before it
  const std::string kept = security.DecryptString(badPadding, {6, 0});
  EXPECT_EQ(kept.size(), 64u);
  EXPECT_EQ(kept.substr(0, 32), kContent.substr(0, 32));
}

}  // namespace
}  // namespace sorvik
