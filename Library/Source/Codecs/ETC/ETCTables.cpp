#include "Codecs/ETC/ETCTables.h"

namespace qeltexture {

const int compressParams[16][4] = {
    {-8, -2, 2, 8},       {-8, -2, 2, 8},       {-17, -5, 5, 17},     {-17, -5, 5, 17},
    {-29, -9, 9, 29},     {-29, -9, 9, 29},     {-42, -13, 13, 42},   {-42, -13, 13, 42},
    {-60, -18, 18, 60},   {-60, -18, 18, 60},   {-80, -24, 24, 80},   {-80, -24, 24, 80},
    {-106, -33, 33, 106}, {-106, -33, 33, 106}, {-183, -47, 47, 183}, {-183, -47, 47, 183}};

const int compressParamsFast[8][4] = {{-8, -2, 2, 8},       {-17, -5, 5, 17},   {-29, -9, 9, 29},
                                      {-42, -13, 13, 42},   {-60, -18, 18, 60}, {-80, -24, 24, 80},
                                      {-106, -33, 33, 106}, {-183, -47, 47, 183}};

const int unscramble[4] = {2, 3, 1, 0};
const int scramble[4] = {3, 2, 0, 1};

const uint8_t table58H[8] = {3, 6, 11, 16, 23, 32, 41, 64};

const int alphaBase[16][4] = {
    {-15, -9, -6, -3}, {-13, -10, -7, -3}, {-13, -8, -5, -2}, {-13, -6, -4, -2},
    {-12, -8, -6, -3}, {-11, -9, -7, -3},  {-11, -8, -7, -4}, {-11, -8, -5, -3},
    {-10, -8, -6, -2}, {-10, -8, -5, -2},  {-10, -8, -4, -2}, {-10, -7, -5, -2},
    {-10, -7, -4, -3}, {-10, -3, -2, -1},  {-9, -8, -6, -4},  {-9, -7, -5, -3}};

namespace {

constexpr int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Every derived table, computed at compile time (constant initialisation, so usable
// from any static initialiser).
struct DerivedTables {
    int alpha[256][8] = {};
    uint8_t clamp[768] = {};
    int clampPlus255[768] = {};
    unsigned square[511] = {};
    unsigned squareRed[511] = {};
    unsigned squareGreen[511] = {};
    unsigned squareBlue[511] = {};

    constexpr DerivedTables() {
        // The EAC base table in constexpr form (the exported alphaBase is not usable here).
        const int base[16][4] = {
            {-15, -9, -6, -3}, {-13, -10, -7, -3}, {-13, -8, -5, -2}, {-13, -6, -4, -2},
            {-12, -8, -6, -3}, {-11, -9, -7, -3},  {-11, -8, -7, -4}, {-11, -8, -5, -3},
            {-10, -8, -6, -2}, {-10, -8, -5, -2},  {-10, -8, -4, -2}, {-10, -7, -5, -2},
            {-10, -7, -4, -3}, {-10, -3, -2, -1},  {-9, -8, -6, -4},  {-9, -7, -5, -3}};
        for (int r = 0; r < 256; ++r) {
            const int table = r & 15, multiplier = r >> 4;
            for (int i = 0; i < 4; ++i) {
                alpha[r][i] = base[table][3 - i] * multiplier;
                alpha[r][i + 4] = (-base[table][3 - i] - 1) * multiplier;
            }
        }
        for (int i = 0; i < 768; ++i) {
            clamp[i] = uint8_t(clamp255(i - 255));
            clampPlus255[i] = clamp255(i - 255) + 255;
        }
        for (int i = 0; i < 511; ++i) {
            const unsigned s = unsigned((i - 255) * (i - 255));
            square[i] = s;
            squareRed[i] = s * 299u;
            squareGreen[i] = s * 587u;
            squareBlue[i] = s * 114u;
        }
    }
};

constexpr DerivedTables kDerived{};

}  // namespace

const int (&alphaTable)[256][8] = kDerived.alpha;
const uint8_t (&clamp_table)[768] = kDerived.clamp;
const int (&clamp_table_plus_255)[768] = kDerived.clampPlus255;
const unsigned int (&square_table)[511] = kDerived.square;
const unsigned int (&square_table_percep_red)[511] = kDerived.squareRed;
const unsigned int (&square_table_percep_green)[511] = kDerived.squareGreen;
const unsigned int (&square_table_percep_blue)[511] = kDerived.squareBlue;

}  // namespace qeltexture
