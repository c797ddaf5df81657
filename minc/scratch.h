// Scratch block files of one MINC call: fixed names in the current
// directory, raw little-endian words, fixed-length records reachable by
// offset arithmetic (byte offset = record index from 0 x record length x 4).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "gridout/wordfile.h"

namespace minc {

using gridout::WordFile;
using gridout::delete_file;

inline constexpr const char* kLogName = "minc.log";
inline constexpr const char* kGridName = "~mincgr.tmp";   // grid rows
inline constexpr const char* kMaskName = "~mincms.tmp";   // mask grid
inline constexpr const char* kRandName = "~mincir.tmp";   // per-block data records
inline constexpr const char* kSubgName = "~mincsb.tmp";   // solved blocks of a tier
inline constexpr const char* kTempName = "~minctm.tmp";   // blanked grid rows
inline constexpr const char* kRotName = "~mincrt.tmp";    // rotated grid file

// An 80-byte blank-padded name buffer (FLOGF, FGRID, ...): name, one NUL, blanks.
using NameBuf = std::array<char, 80>;
void blank_name(NameBuf& buf);
void set_name(NameBuf& buf, const char* name);
[[nodiscard]] bool name_blank(const NameBuf& buf);
// The name held in a buffer: the characters before the first NUL, else
// the buffer without trailing blanks.
[[nodiscard]] std::string name_of(const char* buf, int32_t len);
[[nodiscard]] inline std::string name_of(const NameBuf& buf) { return name_of(buf.data(), 80); }

// Set the name buffer and create (or truncate) the file. False on failure.
bool create_named(WordFile& file, NameBuf& buf, const char* name);

// ROWIO: write N reals of Z at the current position of IGRID.
void ROWIO(WordFile& igrid, int32_t n, const float* z);

// ROWDA: IERR = 0; seek to IROW*IMLEN*4; IOP = 0: write a 0 word, then N
// words of IZ; IOP != 0: read one word (discarded), then N words into IZ.
void ROWDA(WordFile& imask, int32_t imlen, int32_t n, int32_t* iz, int32_t iop, int32_t irow,
           int32_t& ierr);

// ROWMSK: IERR = 0; seek to IROW*IMLEN*4; read one word (discarded), then N
// words into MASK. IERR = 1 when the read fails or comes back short.
void ROWMSK(WordFile& imask, int32_t imlen, int32_t n, int32_t* mask, int32_t irow, int32_t& ierr);

// WRBLK: seek to (LOC - 1)*ISLEN*4; write N words of M (reals or flags).
void WRBLK(WordFile& isubg, int32_t islen, int32_t loc, int32_t n, const float* m);
void WRBLK(WordFile& isubg, int32_t islen, int32_t loc, int32_t n, const int32_t* m);

// WRBLK2: seek to (IREC - 1)*IRLEN*4; write NEXT, NDP, then NXYZ reals of XYZ.
void WRBLK2(WordFile& lurand, int32_t irlen, int32_t irec, int32_t next, int32_t ndp,
            int32_t nxyz, const float* xyz);

// Word transfers at the current position (the earlier build routes every
// scratch access through these four; the bytes are the same).
inline void IWRITE(WordFile& f, int32_t n, const int32_t* v) { f.write_words(v, n); }
inline void RWRITE(WordFile& f, int32_t n, const float* v) { f.write_words(v, n); }
inline int32_t IREAD(WordFile& f, int32_t n, int32_t* v) { return static_cast<int32_t>(f.read_words(v, n)); }
inline int32_t RREAD(WordFile& f, int32_t n, float* v) { return static_cast<int32_t>(f.read_words(v, n)); }

// Create "~mincms.tmp": 7 header words (MXCQ, MXRQ, NZ = 1, XO2, DEL, YO2,
// DEL) and MXRQ*MXCQ zero words, written sequentially; close; reopen for
// reading and writing into `imask`. False on a failed file operation.
bool prefill_mask(WordFile& imask, NameBuf& fmask, int32_t mxcq, int32_t mxrq, float xo2,
                  float del, float yo2);

// Create "~mincsb.tmp": NSEC records of ISLEN zero words, NSEC more when
// IHWIND != 0; close; reopen for reading and writing into `isubg`.
bool prefill_subgrids(WordFile& isubg, NameBuf& fsubg, int32_t nsec, int32_t islen, bool flags);

}  // namespace minc
