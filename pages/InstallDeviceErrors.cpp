#include "InstallDeviceErrors.h"

namespace {

struct DeviceErrorText {
  uint32_t code;
  const char* text;
};

const DeviceErrorText kDeviceErrorTexts[] = {
    {5, "Permesso di scrittura negato"},                               // ERROR_ACCESS_DENIED
    {14, "Spazio su disco insufficiente"},                             // ERROR_OUTOFMEMORY
    {19, "Area selezionata protetta da scrittura"},                    // ERROR_WRITE_PROTECT
    {29, "Errore generico in scrittura"},                              // ERROR_WRITE_FAULT
    {32, "I files da sovrascrivere sono in uso da una applicazione"},  // ERROR_SHARING_VIOLATION
    // A full volume is the commonest failure on a handheld, and says the same as the object store's.
    {112, "Spazio su disco insufficiente"},                   // ERROR_DISK_FULL
    {3, "Cartella di destinazione non trovata sul palmare"},  // ERROR_PATH_NOT_FOUND
    {206, "Percorso del file troppo lungo per il palmare"},   // ERROR_FILENAME_EXCED_RANGE
    // The ways a link reports that the cable was pulled or the synchronisation ended mid-copy.
    {55, "Connessione con il palmare interrotta"},    // ERROR_DEV_NOT_EXIST
    {109, "Connessione con il palmare interrotta"},   // ERROR_BROKEN_PIPE
    {233, "Connessione con il palmare interrotta"},   // ERROR_PIPE_NOT_CONNECTED
    {1167, "Connessione con il palmare interrotta"},  // ERROR_DEVICE_NOT_CONNECTED
};

}  // namespace

std::string DeviceWriteErrorText(uint32_t deviceError) {
  for (const DeviceErrorText& entry : kDeviceErrorTexts) {
    if (entry.code == deviceError) return entry.text;
  }
  return "Impossibile copiare il file sul palmare (errore " + std::to_string(deviceError) + ")";
}
