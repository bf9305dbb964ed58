// Encodings and glyph names: the glyph list's rules against fontTools'
// reading of a sample of names, WinAnsi and MacRoman against Python's cp1252
// and mac_roman codecs, the built-in encodings against the characters'
// Unicode names, /Differences, Type 1 programs' encodings and text strings.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PdfEncoding.h"
#include "search/packages/PdfTestObjects.h"

namespace sorvik {
namespace {

using test::Int;
using test::Name;
using test::Real;
using test::Str;

std::u32string GlyphText(std::string_view name, bool zapfDingbats = false) {
  std::u32string text;
  const bool any = AppendGlyphText(name, text, zapfDingbats);
  EXPECT_EQ(any, !text.empty()) << name;
  return text;
}

struct TNamed {
  const char* Name;
  const char32_t* Text;
};

// Generated offline: 300 names sampled from fontTools.agl.LEGACY_AGL2UV (seed
// 20240611) and names built by the rules, each with fontTools.agl.toUnicode's
// text, ligatures U+FB00 to U+FB06 given as unicodedata.normalize("NFKD").
const TNamed kGlyphNames[] = {
    {"nnabengali", U"\U000009A3"},
    {"hiriqwidehebrew", U"\U000005B4"},
    {"betrafehebrew", U"\U0000FB4C"},
    {"parenrightsuperior", U"\U0000207E"},
    {"pehebrew", U"\U000005E4"},
    {"ninegurmukhi", U"\U00000A6F"},
    {"Ecircumflexhookabove", U"\U00001EC2"},
    {"fourparen", U"\U00002477"},
    {"lcommaaccent", U"\U0000013C"},
    {"afii57839", U"\U000005BD"},
    {"Ocircumflexsmall", U"\U0000F7F4"},
    {"rrehfinalarabic", U"\U0000FB8D"},
    {"ordmasculine", U"\U000000BA"},
    {"lakkhangyaothai", U"\U00000E45"},
    {"Yatcyrillic", U"\U00000462"},
    {"dadmedialarabic", U"\U0000FEC0"},
    {"afii61289", U"\U00002113"},
    {"Hungarumlautsmall", U"\U0000F6F8"},
    {"echarmenian", U"\U00000565"},
    {"musicflatsign", U"\U0000266D"},
    {"Adieresis", U"\U000000C4"},
    {"gammasuperior", U"\U000002E0"},
    {"lamalefhamzaaboveisolatedarabic", U"\U0000FEF7"},
    {"lameddagesh", U"\U0000FB3C"},
    {"schwacyrillic", U"\U000004D9"},
    {"rhook", U"\U0000027D"},
    {"elevencircle", U"\U0000246A"},
    {"tildeverticalcmb", U"\U0000033E"},
    {"pieupcieuckorean", U"\U00003176"},
    {"saraaimaimalaithai", U"\U00000E44"},
    {"haharabic", U"\U0000062D"},
    {"Otildeacute", U"\U00001E4C"},
    {"hiriqhebrew", U"\U000005B4"},
    {"periodarmenian", U"\U00000589"},
    {"iotalatin", U"\U00000269"},
    {"pmonospace", U"\U0000FF50"},
    {"fiveroman", U"\U00002174"},
    {"etnahtafoukhlefthebrew", U"\U00000591"},
    {"birusquare", U"\U00003331"},
    {"shinshindothebrew", U"\U0000FB2A"},
    {"Oslash", U"\U000000D8"},
    {"plus", U"+"},
    {"Hdotaccent", U"\U00001E22"},
    {"napostrophe", U"\U00000149"},
    {"zerogujarati", U"\U00000AE6"},
    {"rokatakanahalfwidth", U"\U0000FF9B"},
    {"paampssquare", U"\U00003380"},
    {"ae", U"\U000000E6"},
    {"ssuperior", U"\U0000F6F2"},
    {"ngadeva", U"\U00000919"},
    {"Reharmenian", U"\U00000550"},
    {"afii57505", U"\U000006A4"},
    {"cruzeiro", U"\U000020A2"},
    {"SF110000", U"\U00002502"},
    {"kekatakana", U"\U000030B1"},
    {"mukatakana", U"\U000030E0"},
    {"eightparen", U"\U0000247B"},
    {"zinorhebrew", U"\U000005AE"},
    {"Circumflexsmall", U"\U0000F6F6"},
    {"ninedeva", U"\U0000096F"},
    {"Ecircumflextilde", U"\U00001EC4"},
    {"getamark", U"\U00003013"},
    {"hamzalowarabic", U"\U00000621"},
    {"otcyrillic", U"\U0000047F"},
    {"phagurmukhi", U"\U00000A2B"},
    {"sheqelhebrew", U"\U000020AA"},
    {"NJ", U"\U000001CA"},
    {"badeva", U"\U0000092C"},
    {"Udieresis", U"\U000000DC"},
    {"hcircle", U"\U000024D7"},
    {"hukatakana", U"\U000030D5"},
    {"Checyrillic", U"\U00000427"},
    {"thanthakhatthai", U"\U00000E4C"},
    {"idblgrave", U"\U00000209"},
    {"approximatelyequal", U"\U00002245"},
    {"Yuslittlecyrillic", U"\U00000466"},
    {"ghaininitialarabic", U"\U0000FECF"},
    {"maitholowrightthai", U"\U0000F88E"},
    {"ocircumflextilde", U"\U00001ED7"},
    {"squaremil", U"\U000033D5"},
    {"ts", U"\U000002A6"},
    {"pisymbolgreek", U"\U000003D6"},
    {"Oacute", U"\U000000D3"},
    {"Umacrondieresis", U"\U00001E7A"},
    {"kakatakana", U"\U000030AB"},
    {"feharabic", U"\U00000641"},
    {"breve", U"\U000002D8"},
    {"wasmallhiragana", U"\U0000308E"},
    {"sallallahoualayhewasallamarabic", U"\U0000FDFA"},
    {"dalettsere", U"\U000005D3\U000005B5"},
    {"daletholamhebrew", U"\U000005D3\U000005B9"},
    {"kabengali", U"\U00000995"},
    {"Psmall", U"\U0000F770"},
    {"Ogravesmall", U"\U0000F7F2"},
    {"taisyouerasquare", U"\U0000337D"},
    {"nineperiod", U"\U00002490"},
    {"Theta", U"\U00000398"},
    {"pieupsioskorean", U"\U00003144"},
    {"perpendicular", U"\U000022A5"},
    {"scarondotaccent", U"\U00001E67"},
    {"afii10032", U"\U0000041E"},
    {"kappasymbolgreek", U"\U000003F0"},
    {"Acircumflexsmall", U"\U0000F7E2"},
    {"ovowelsigndeva", U"\U0000094B"},
    {"dezh", U"\U000002A4"},
    {"chochangthai", U"\U00000E0A"},
    {"estimated", U"\U0000212E"},
    {"mmsquaredsquare", U"\U0000339F"},
    {"because", U"\U00002235"},
    {"rrvocalicbengali", U"\U000009E0"},
    {"Ucircumflexsmall", U"\U0000F7FB"},
    {"obreve", U"\U0000014F"},
    {"mekatakanahalfwidth", U"\U0000FF92"},
    {"sheeninitialarabic", U"\U0000FEB7"},
    {"ilde", U"\U000002DC"},
    {"Uring", U"\U0000016E"},
    {"L", U"L"},
    {"saraothai", U"\U00000E42"},
    {"twoparen", U"\U00002475"},
    {"kwsquare", U"\U000033BE"},
    {"l", U"l"},
    {"gukatakana", U"\U000030B0"},
    {"cbopomofo", U"\U00003118"},
    {"Zhedescendercyrillic", U"\U00000496"},
    {"lcedilla", U"\U0000013C"},
    {"lbopomofo", U"\U0000310C"},
    {"z", U"z"},
    {"commareversedmod", U"\U000002BD"},
    {"softhyphen", U"\U000000AD"},
    {"qamatsqatanhebrew", U"\U000005B8"},
    {"peseta", U"\U000020A7"},
    {"deltaturned", U"\U0000018D"},
    {"shaddafathatanarabic", U"\U00000651\U0000064B"},
    {"Gcircumflex", U"\U0000011C"},
    {"hagujarati", U"\U00000AB9"},
    {"Bsmall", U"\U0000F762"},
    {"afii10099", U"\U00000452"},
    {"parenleft", U"("},
    {"aogonek", U"\U00000105"},
    {"mars", U"\U00002642"},
    {"numbersignsmall", U"\U0000FE5F"},
    {"gershayimhebrew", U"\U000005F4"},
    {"theharabic", U"\U0000062B"},
    {"sheva2e", U"\U000005B0"},
    {"Esmall", U"\U0000F765"},
    {"SF040000", U"\U00002518"},
    {"afii10145", U"\U0000040F"},
    {"squareorthogonalcrosshatchfill", U"\U000025A6"},
    {"daletqubutshebrew", U"\U000005D3\U000005BB"},
    {"Gmacron", U"\U00001E20"},
    {"I", U"I"},
    {"zerowidthjoiner", U"\U0000FEFF"},
    {"irigurmukhi", U"\U00000A72"},
    {"Omicron", U"\U0000039F"},
    {"seven", U"7"},
    {"jis", U"\U00003004"},
    {"earth", U"\U00002641"},
    {"Abreveacute", U"\U00001EAE"},
    {"tehhahisolatedarabic", U"\U0000FC0C"},
    {"jsuperior", U"\U000002B2"},
    {"dalethebrew", U"\U000005D3"},
    {"dalethatafsegol", U"\U000005D3\U000005B1"},
    {"hehiragana", U"\U00003078"},
    {"pssquare", U"\U000033B0"},
    {"Lcircumflexbelow", U"\U00001E3C"},
    {"chbopomofo", U"\U00003114"},
    {"afii10043", U"\U00000429"},
    {"Beta", U"\U00000392"},
    {"ninehackarabic", U"\U00000669"},
    {"bekatakana", U"\U000030D9"},
    {"kafarabic", U"\U00000643"},
    {"afii10094", U"\U0000044C"},
    {"musicsharpsign", U"\U0000266F"},
    {"whitedownpointingtriangle", U"\U000025BD"},
    {"periodcentered", U"\U000000B7"},
    {"numero", U"\U00002116"},
    {"hdotaccent", U"\U00001E23"},
    {"phinthuthai", U"\U00000E3A"},
    {"etnahtafoukhhebrew", U"\U00000591"},
    {"arrowleftoverright", U"\U000021C6"},
    {"radoverssquare", U"\U000033AE"},
    {"ograve", U"\U000000F2"},
    {"bracketleftmonospace", U"\U0000FF3B"},
    {"ideographiclowcircle", U"\U000032A6"},
    {"Chi", U"\U000003A7"},
    {"upperdothebrew", U"\U000005C4"},
    {"meemmeeminitialarabic", U"\U0000FCD1"},
    {"rhadeva", U"\U0000095D"},
    {"Tcedilla", U"\U00000162"},
    {"greatermonospace", U"\U0000FF1E"},
    {"rieulkorean", U"\U00003139"},
    {"sixmonospace", U"\U0000FF16"},
    {"iacute", U"\U000000ED"},
    {"kcaron", U"\U000001E9"},
    {"jeeminitialarabic", U"\U0000FE9F"},
    {"chieuchaparenkorean", U"\U00003217"},
    {"tsere2b", U"\U000005B5"},
    {"uptackmod", U"\U000002D4"},
    {"tildeoperator", U"\U0000223C"},
    {"osmallhiragana", U"\U00003049"},
    {"mpasquare", U"\U000033AB"},
    {"lozenge", U"\U000025CA"},
    {"Chedescendercyrillic", U"\U000004B6"},
    {"afii57678", U"\U000005DE"},
    {"Tenroman", U"\U00002169"},
    {"Adotbelow", U"\U00001EA0"},
    {"circlewithrighthalfblack", U"\U000025D1"},
    {"sentosquare", U"\U00003323"},
    {"Ccaron", U"\U0000010C"},
    {"lamedholamdageshhebrew", U"\U000005DC\U000005B9\U000005BC"},
    {"ring", U"\U000002DA"},
    {"corporationsquare", U"\U0000337F"},
    {"ideographicstockparen", U"\U00003231"},
    {"kokatakanahalfwidth", U"\U0000FF7A"},
    {"aavowelsigndeva", U"\U0000093E"},
    {"chaarmenian", U"\U00000579"},
    {"Hzsquare", U"\U00003390"},
    {"afii57700", U"\U0000FB4B"},
    {"thabengali", U"\U000009A5"},
    {"Udotbelow", U"\U00001EE4"},
    {"omegacyrillic", U"\U00000461"},
    {"anusvaradeva", U"\U00000902"},
    {"fournumeratorbengali", U"\U000009F7"},
    {"twoinferior", U"\U00002082"},
    {"middot", U"\U000000B7"},
    {"asciicircummonospace", U"\U0000FF3E"},
    {"Ucircle", U"\U000024CA"},
    {"weokorean", U"\U0000315D"},
    {"khieukhparenkorean", U"\U0000320A"},
    {"rlongleg", U"\U0000027C"},
    {"takatakanahalfwidth", U"\U0000FF80"},
    {"zerothai", U"\U00000E50"},
    {"nlinebelow", U"\U00001E49"},
    {"yoyakthai", U"\U00000E22"},
    {"vekatakana", U"\U000030F9"},
    {"whitelenticularbracketleft", U"\U00003016"},
    {"twosuperior", U"\U000000B2"},
    {"pahiragana", U"\U00003071"},
    {"wbsquare", U"\U000033DD"},
    {"addakgurmukhi", U"\U00000A71"},
    {"tonetwo", U"\U000001A8"},
    {"Benarmenian", U"\U00000532"},
    {"ohookabove", U"\U00001ECF"},
    {"ecandravowelsigngujarati", U"\U00000AC5"},
    {"tippigurmukhi", U"\U00000A70"},
    {"ldotbelowmacron", U"\U00001E39"},
    {"notsuperset", U"\U00002285"},
    {"memdagesh", U"\U0000FB3E"},
    {"braceleftmonospace", U"\U0000FF5B"},
    {"chekhakassiancyrillic", U"\U000004CC"},
    {"toarmenian", U"\U00000569"},
    {"tehinitialarabic", U"\U0000FE97"},
    {"ddabengali", U"\U000009A1"},
    {"tahfinalarabic", U"\U0000FEC2"},
    {"ohornhookabove", U"\U00001EDF"},
    {"qofpatah", U"\U000005E7\U000005B7"},
    {"clicklateral", U"\U000001C1"},
    {"gcedilla", U"\U00000123"},
    {"ugujarati", U"\U00000A89"},
    {"approxequalorimage", U"\U00002252"},
    {"commaabovecmb", U"\U00000313"},
    {"kmcubedsquare", U"\U000033A6"},
    {"Ccircumflex", U"\U00000108"},
    {"ehiragana", U"\U00003048"},
    {"braceleftvertical", U"\U0000FE37"},
    {"Ksmall", U"\U0000F76B"},
    {"threearabic", U"\U00000663"},
    {"Jheharmenian", U"\U0000054B"},
    {"uhorndotbelow", U"\U00001EF1"},
    {"Eopen", U"\U00000190"},
    {"afii57689", U"\U000005E9"},
    {"fcircle", U"\U000024D5"},
    {"hehfinalalttwoarabic", U"\U0000FEEA"},
    {"dcaron", U"\U0000010F"},
    {"Caarmenian", U"\U0000053E"},
    {"rdotbelow", U"\U00001E5B"},
    {"union", U"\U0000222A"},
    {"Zhecyrillic", U"\U00000416"},
    {"notsubset", U"\U00002284"},
    {"superset", U"\U00002283"},
    {"eightpersian", U"\U000006F8"},
    {"controlSI", U"\U0000000F"},
    {"endescendercyrillic", U"\U000004A3"},
    {"afii57676", U"\U000005DC"},
    {"zagurmukhi", U"\U00000A5B"},
    {"siosacirclekorean", U"\U00003274"},
    {"hieuhaparenkorean", U"\U0000321B"},
    {"patahwidehebrew", U"\U000005B7"},
    {"ddalarabic", U"\U00000688"},
    {"sarauthai", U"\U00000E38"},
    {"multiply", U"\U000000D7"},
    {"SF420000", U"\U00002560"},
    {"cyrbreve", U"\U0000F6D4"},
    {"mehiragana", U"\U00003081"},
    {"angle", U"\U00002220"},
    {"afii57458", U"\U00000652"},
    {"notparallel", U"\U00002226"},
    {"hatafpatahquarterhebrew", U"\U000005B2"},
    {"aparen", U"\U0000249C"},
    {"eng", U"\U0000014B"},
    {"uni0041", U"A"},
    {"uni00410042", U"AB"},
    {"uni0041004", U""},
    {"uni00e9", U""},
    {"uniD800", U""},
    {"uni0041D800", U""},
    {"u1F600", U"\U0001F600"},
    {"u10FFFF", U"\U0010FFFF"},
    {"u110000", U""},
    {"uD800", U""},
    {"u0041", U"A"},
    {"u041", U""},
    {"u0000041", U""},
    {"f_f_i", U"ffi"},
    {"f_f_i.alt", U"ffi"},
    {"a.sc", U"a"},
    {"A.swash_B", U"A"},
    {"T_h", U"Th"},
    {"uni0066_uni0069", U"fi"},
    {"g123", U""},
    {"glyph12", U""},
    {".notdef", U""},
    {"space.001", U" "},
    {"_", U""},
    {"a_", U"a"},
    {"_b", U"b"},
    {"Lcommaaccent", U"\U0000013B"},
    {"ffi", U"ffi"},
    {"fi", U"fi"},
    {"st", U""},
    {"longs_t", U"\U0000017Ft"},
    {"dalethatafpatah", U"\U000005D3\U000005B2"},
    {"uni", U""},
    {"uniFB01", U"fi"},
    {"u00FB01", U"fi"},
    {"Agrave.sc", U"\U000000C0"},
    {"one.oldstyle", U"1"},
    {"foo_bar", U"|"},
    {"a1", U""},
    {"a206", U""},
    {"a207", U""},
    {"a0", U""},
    {"a12", U""},
    {"A_E", U"AE"},
    {"uni20AC.cap", U"\U000020AC"},
};

// The same, toUnicode(name, isZapfDingbats=True).
const TNamed kZapfDingbatsNames[] = {
    {"a1", U"\U00002701"},
    {"a2", U"\U00002702"},
    {"a100", U"\U0000275E"},
    {"a206", U"\U00002770"},
    {"a207", U""},
    {"a0", U""},
    {"a12_a13", U"\U0000261E\U0000270C"},
    {"a71", U"\U000025CF"},
    {"space", U" "},
    {"uni2701", U"\U00002701"},
    {"a191", U"\U000027BE"},
};

// Generated offline: bytes([code]).decode("cp1252") and .decode("mac_roman"),
// -1 where the codec has no character or gives a control character.
const int kCp1252[256] = {
    -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, -1,
    0x20AC, -1, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, -1, 0x017D, -1,
    -1, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
const int kMacRoman[256] = {
    -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, -1,
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

std::u32string Char(int c) {
  if (c < 0) return U"";
  if (c == 0xFB01) return U"fi";
  if (c == 0xFB02) return U"fl";
  return std::u32string(1, static_cast<char32_t>(c));
}

// The text of every code of a base encoding, by its glyph names.
std::u32string CodeText(TPdfBaseEncoding encoding, int code) {
  std::u32string text;
  AppendGlyphText(BaseGlyphName(encoding, static_cast<std::uint8_t>(code)), text,
                  encoding == TPdfBaseEncoding::ZapfDingbats);
  return text;
}

TEST(PdfEncoding, GlyphNamesReadAsTheGlyphListsRulesSay) {
  for (const TNamed& n : kGlyphNames) EXPECT_EQ(GlyphText(n.Name), n.Text) << n.Name;
  for (const TNamed& n : kZapfDingbatsNames) EXPECT_EQ(GlyphText(n.Name, true), n.Text) << n.Name;
  // Names no list holds, and what is cut off them.
  for (const char* name : {"", ".", "_", "__", ".notdef", "uni", "uniFFF", "uni0041.", "U0041", "Uni0041", "a1"})
    EXPECT_EQ(GlyphText(name), (std::string_view(name) == "uni0041." ? U"A" : U"")) << name;
  EXPECT_EQ(GlyphText("A_uni0301.alt_B"), U"A\u0301");
  EXPECT_EQ(GlyphText(std::string(100000, 'f')), U"");
  EXPECT_EQ(GlyphText("f_" + std::string(20000, '_') + "i"), U"fi");
}

TEST(PdfEncoding, WinAnsiAndMacRomanGiveThePythonCodecsCharacters) {
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(CodeText(TPdfBaseEncoding::WinAnsi, code), Char(kCp1252[code])) << "cp1252 " << code;
    EXPECT_EQ(CodeText(TPdfBaseEncoding::MacRoman, code), Char(kMacRoman[code])) << "mac_roman " << code;
  }
  EXPECT_EQ(BaseEncodingNamed("WinAnsiEncoding"), TPdfBaseEncoding::WinAnsi);
  EXPECT_EQ(BaseEncodingNamed("MacRomanEncoding"), TPdfBaseEncoding::MacRoman);
  EXPECT_EQ(BaseEncodingNamed("StandardEncoding"), TPdfBaseEncoding::Standard);
  for (const char* name : {"MacExpertEncoding", "PDFDocEncoding", "Identity-H", "", "winansiencoding"})
    EXPECT_EQ(BaseEncodingNamed(name), std::nullopt) << name;
}

TEST(PdfEncoding, BuiltInEncodingsGiveTheCharactersTheirGlyphsShow) {
  // StandardEncoding where it differs from ASCII and Latin-1, and where it has no glyph.
  const std::pair<int, const char32_t*> standard[] = {
      {0x27, U"\u2019"},  // RIGHT SINGLE QUOTATION MARK (quoteright)
      {0x60, U"\u2018"},  // LEFT SINGLE QUOTATION MARK
      {0x41, U"A"},        {0x7E, U"~"},
      {0xA4, U"\u2044"},  // FRACTION SLASH
      {0xA9, U"'"},        {0xAE, U"fi"}, {0xAF, U"fl"},
      {0xD0, U"\u2014"},  // EM DASH
      {0xE1, U"\u00C6"},  // LATIN CAPITAL LETTER AE
      {0xF5, U"\u0131"},  // LATIN SMALL LETTER DOTLESS I
      {0xFB, U"\u00DF"},  // LATIN SMALL LETTER SHARP S
      {0x7F, U""},         {0x80, U""},   {0xA0, U""}, {0x1F, U""}, {0xFF, U""},
  };
  for (const auto& [code, text] : standard) EXPECT_EQ(CodeText(TPdfBaseEncoding::Standard, code), text) << code;
  const std::pair<int, const char32_t*> symbol[] = {
      {0x22, U"\u2200"},  // FOR ALL
      {0x24, U"\u2203"},  // THERE EXISTS
      {0x41, U"\u0391"},  // GREEK CAPITAL LETTER ALPHA
      {0x61, U"\u03B1"},  // GREEK SMALL LETTER ALPHA
      {0x70, U"\u03C0"},  // GREEK SMALL LETTER PI
      {0xA5, U"\u221E"},  // INFINITY
      {0xD1, U"\u2207"},  // NABLA
      {0xE5, U"\u2211"},  // N-ARY SUMMATION
      {0xF2, U"\u222B"},  // INTEGRAL
  };
  for (const auto& [code, text] : symbol) EXPECT_EQ(CodeText(TPdfBaseEncoding::Symbol, code), text) << code;
  const std::pair<int, const char32_t*> dingbats[] = {
      {0x20, U" "},
      {0x21, U"\u2701"},  // UPPER BLADE SCISSORS
      {0x6C, U"\u25CF"},  // BLACK CIRCLE
      {0xAC, U"\u2460"},  // CIRCLED DIGIT ONE
      {0xB6, U"\u2776"},  // DINGBAT NEGATIVE CIRCLED DIGIT ONE
      {0xD5, U"\u2192"},  // RIGHTWARDS ARROW
  };
  for (const auto& [code, text] : dingbats) EXPECT_EQ(CodeText(TPdfBaseEncoding::ZapfDingbats, code), text) << code;
}

TEST(PdfEncoding, DifferencesRenameCodesFromEachNumberOn) {
  TPdfEncoding encoding(TPdfBaseEncoding::WinAnsi);
  encoding.ApplyDifferences({Name("ignored"), Int(65), Name("B"), Name("C"), Int(250), Name("x1"), Name("x2"), Name("x3"),
                             Name("x4"), Name("x5"), Name("x6"), Name("x7"), Int(-3), Name("neg"), Real(97.0), Name("fi"),
                             Str("s"), Name("g"), Int(300), Name("far"), Int(1LL << 40), Name("huge")});
  EXPECT_EQ(encoding.GlyphName(64), "at");
  EXPECT_EQ(encoding.GlyphName(65), "B");
  EXPECT_EQ(encoding.GlyphName(66), "C");
  EXPECT_EQ(encoding.GlyphName(67), "C");  // the base's
  EXPECT_EQ(encoding.GlyphName(250), "x1");
  EXPECT_EQ(encoding.GlyphName(255), "x6");
  EXPECT_EQ(encoding.GlyphName(0), "");   // x7 fell past the last code, not round to the first
  EXPECT_EQ(encoding.GlyphName(97), "fi");
  EXPECT_EQ(encoding.GlyphName(98), "g");  // a string is no name and takes no code
  EXPECT_EQ(TPdfEncoding().GlyphName(65), "");
}

TEST(PdfEncoding, Type1ProgramsDeclareTheirEncodingInTheClearText) {
  const std::optional<TPdfEncoding> own = Type1ProgramEncoding(
      "%!PS-AdobeFont-1.0: CMR10 003.002\n/FontName /CMR10 def\n/Encoding 256 array\n"
      "0 1 255 {1 index exch /.notdef put} for\ndup 11 /ff put\ndup 65 /A put\n"
      "dup 92/quotedblleft put dup 300 /toolarge put (dup 66 /B put) dup 67 /C put\n"
      "readonly def\ncurrentdict end\ncurrentfile eexec\ndup 68 /D put");
  ASSERT_TRUE(own);
  EXPECT_EQ(own->GlyphName(11), "ff");
  EXPECT_EQ(own->GlyphName(65), "A");
  EXPECT_EQ(own->GlyphName(92), "quotedblleft");
  EXPECT_EQ(own->GlyphName(66), "");
  EXPECT_EQ(own->GlyphName(67), "C");
  EXPECT_EQ(own->GlyphName(68), "");
  EXPECT_EQ(own->GlyphName(0), "");
  const std::optional<TPdfEncoding> standard = Type1ProgramEncoding("/FontName /Foo def /Encoding StandardEncoding def");
  ASSERT_TRUE(standard);
  EXPECT_EQ(standard->GlyphName(0x27), "quoteright");
  EXPECT_FALSE(Type1ProgramEncoding("/FontName /Foo def currentfile eexec /Encoding StandardEncoding def"));
  EXPECT_FALSE(Type1ProgramEncoding("/Encoding 256 array readonly def"));
  EXPECT_FALSE(Type1ProgramEncoding(""));
  EXPECT_FALSE(Type1ProgramEncoding("/Encoding"));
  EXPECT_FALSE(Type1ProgramEncoding("/Encoding (unclosed dup 1 /a put"));
}

TEST(PdfEncoding, TextStringsInEachOfTheirEncodings) {
  // UTF-16BE: pairs, lone surrogates, language escapes, an odd last byte.
  EXPECT_EQ(DecodePdfText(std::string("\xFE\xFF\x00H\x00\xE9\xD8\x3D\xDE\x00\xDC\x00\xD8\x00\x00x\x00", 17)),
            "H\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBDx");
  EXPECT_EQ(DecodePdfText(std::string("\xFE\xFF\x00\x1B" "en\x00\x1B\x00O\x00K\xFB\x01", 14)), "OKfi");
  EXPECT_EQ(DecodePdfText("\xFE\xFF"), "");
  // UTF-8 with its mark: malformed bytes each one U+FFFD.
  EXPECT_EQ(DecodePdfText("\xEF\xBB\xBF" "caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(DecodePdfText("\xEF\xBB\xBF" "a\xC0\xAF" "b\xED\xA0\x80" "c\xF4\x90\x80\x80" "d\xE2\x82"),
            "a\xEF\xBF\xBD\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "c\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
            "d\xEF\xBF\xBD\xEF\xBF\xBD");
  // PDFDocEncoding: Latin-1 where it agrees with it.
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == 0x7F || (b >= 0x80 && b <= 0xA0) || b == 0xAD) continue;
    std::string expected;
    if (b < 0x80) expected += static_cast<char>(b);
    else expected += {static_cast<char>(0xC0 | b >> 6), static_cast<char>(0x80 | (b & 0x3F))};
    EXPECT_EQ(DecodePdfText(std::string(1, static_cast<char>(b))), expected) << b;
  }
  // And where it doesn't: by the characters' Unicode names.
  EXPECT_EQ(DecodePdfText("\x80"), "\xE2\x80\xA2");  // BULLET
  EXPECT_EQ(DecodePdfText("\x84"), "\xE2\x80\x94");  // EM DASH
  EXPECT_EQ(DecodePdfText("\x8D\x8E"), "\xE2\x80\x9C\xE2\x80\x9D");  // LEFT and RIGHT DOUBLE QUOTATION MARK
  EXPECT_EQ(DecodePdfText("\x92"), "\xE2\x84\xA2");  // TRADE MARK SIGN
  EXPECT_EQ(DecodePdfText("\x93\x94"), "fifl");
  EXPECT_EQ(DecodePdfText("\x95\x9A"), "\xC5\x81\xC4\xB1");  // LATIN CAPITAL LETTER L WITH STROKE, SMALL DOTLESS I
  EXPECT_EQ(DecodePdfText("\xA0"), "\xE2\x82\xAC");  // EURO SIGN
  EXPECT_EQ(DecodePdfText("\x18\x1F"), "\xCB\x98\xCB\x9C");  // BREVE, SMALL TILDE
  EXPECT_EQ(DecodePdfText(std::string("a\x00\x01\x7F\x9F\xAD\tb\r\n", 10)), "a\tb\r\n");
  EXPECT_EQ(DecodePdfText("\xFF\xFE\x41"), "\xC3\xBF\xC3\xBE" "A");  // no mark in this order
}

}  // namespace
}  // namespace sorvik
