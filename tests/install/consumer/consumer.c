/* A program of someone else's, built against the installed library: opens the reader on COM1,
 * prints its firmware and the card's answer to a SELECT of the master file. */
#include <pelorus32.h>
#include <stdio.h>

int main(void) {
    int32_t h = QX_Open(QX_READER_KITEB_9600, QX_PORT_COM1);
    if (h < 0) { fprintf(stderr, "open failed: %d\n", h); return 1; }
    QX_INFO info = {0};
    if (QX_GetInfo(h, &info) != 0) { QX_Close(h); return 1; }
    printf("firmware %.10s version %d\n", info.FWRevision, info.LibraryVersion);
    QX_SESSION s = {0};
    s.CardType = QX_CARD_MCU_T0;
    int32_t result = QX_StartSession(h, &s);
    if (result == 0) {
        QX_APDU a = {0};
        a.CLA = 0x00; a.INS = 0xA4; a.Lc = 2; a.DataIn[0] = 0x3F; a.DataIn[1] = 0x00;
        result = QX_ExchangeAPDU(h, &a);
        if (result == 0) printf("SW %04X\n", a.Status);
        QX_EndSession(h);
    }
    QX_Close(h);
    return result == 0 ? 0 : 1;
}
