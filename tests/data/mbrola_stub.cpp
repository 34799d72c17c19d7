// Libraries that look like MBROLA to the binding's tests: with every
// function but appendf0_Phone (LACKING_ONE), or with none (NONE).
#define STUB(name) \
  extern "C" __attribute__((visibility("default"))) int name() { return 0; }
#ifndef NONE
STUB(init_MBR) STUB(init_rename_MBR) STUB(write_MBR) STUB(flush_MBR) STUB(read_MBR) STUB(readtype_MBR)
STUB(close_MBR) STUB(reset_MBR) STUB(lastError_MBR) STUB(lastErrorStr_MBR) STUB(setNoError_MBR)
STUB(getNoError_MBR) STUB(setFreq_MBR) STUB(getFreq_MBR) STUB(setVolumeRatio_MBR) STUB(getVolumeRatio_MBR)
STUB(getVersion_MBR) STUB(getDatabaseInfo_MBR) STUB(setParser_MBR) STUB(init_Phone) STUB(reset_Phone)
STUB(close_Phone)
#endif
#if !defined(NONE) && !defined(LACKING_ONE)
STUB(appendf0_Phone)
#endif
extern "C" __attribute__((visibility("default"))) int something_else() { return 1; }
