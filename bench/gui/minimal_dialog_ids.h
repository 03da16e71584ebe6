/* Ids of the minimal dialog program; read by windres and the compiler. */
#ifndef KX4XX_BENCH_MINIMAL_DIALOG_IDS_H
#define KX4XX_BENCH_MINIMAL_DIALOG_IDS_H
#define kMinimalDialogId 101
#define kMinimalComboId 1001
#endif
