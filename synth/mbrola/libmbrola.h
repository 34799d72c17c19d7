/* The 23 functions of our MBROLA library (libmbrola.so), with the calling
   shapes a program written for MBROLA expects. Samples are 16-bit signed
   mono at the voice's rate (16000 Hz) unless setFreq_MBR changes it. */
#ifndef ZELNAR_LIBMBROLA_H
#define ZELNAR_LIBMBROLA_H

#ifdef __cplusplus
extern "C" {
#endif

#define MBR_EXPORT __attribute__((visibility("default")))

/* lastError_MBR codes; 0 means no error. */
enum {
  MBR_OK = 0,
  MBR_ERR_LINE = -1,       /* malformed phoneme line (a bad field; the rest of it is used) */
  MBR_ERR_PHONEME = -2,    /* phoneme the voice does not have (the line is dropped) */
  MBR_ERR_DIPHONE = -3,    /* diphone the voice does not have (bridged through silence) */
  MBR_ERR_DATABASE = -4,   /* the voice database is missing or damaged */
  MBR_ERR_NOT_READY = -5,  /* no voice loaded */
  MBR_ERR_ARGUMENT = -6    /* a null or out-of-range argument */
};

/* readtype_MBR sample formats. */
enum { MBR_LIN16 = 0, MBR_LIN8 = 1, MBR_ULAW = 2, MBR_ALAW = 3 };

typedef struct MbrPhone MbrPhone;

MBR_EXPORT int init_MBR(char* dbaseName);
MBR_EXPORT int init_rename_MBR(char* dbaseName, char* rename, char* clone);
MBR_EXPORT int write_MBR(char* buffer);
MBR_EXPORT int flush_MBR(void);
MBR_EXPORT int read_MBR(short* buffer, int wanted);
MBR_EXPORT int readtype_MBR(char* buffer, int wanted, int type);
MBR_EXPORT void close_MBR(void);
MBR_EXPORT int reset_MBR(void);
MBR_EXPORT int lastError_MBR(void);
MBR_EXPORT int lastErrorStr_MBR(char* buffer, int room);
MBR_EXPORT void setNoError_MBR(int noError);
MBR_EXPORT int getNoError_MBR(void);
MBR_EXPORT void setFreq_MBR(int freq);
MBR_EXPORT int getFreq_MBR(void);
MBR_EXPORT void setVolumeRatio_MBR(float ratio);
MBR_EXPORT float getVolumeRatio_MBR(void);
MBR_EXPORT int getVersion_MBR(char* buffer, int room);
MBR_EXPORT int getDatabaseInfo_MBR(char* buffer, int room, int index);
MBR_EXPORT void setParser_MBR(void* parser);
MBR_EXPORT MbrPhone* init_Phone(char* name, float length);
MBR_EXPORT void reset_Phone(MbrPhone* phone);
MBR_EXPORT void close_Phone(MbrPhone* phone);
MBR_EXPORT int appendf0_Phone(MbrPhone* phone, float position, float f0);

#ifdef __cplusplus
}
#endif
#endif
