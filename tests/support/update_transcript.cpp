#include "update_transcript.h"

std::string Programmed(int position, const std::string& path) {
  std::string n = std::to_string(position + 1);
  return "Please wait while FW is updated...\n"
         "{E0}--------------------------------------------------\n"
         "|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n"
         "--------------------------------------------------\n{07}"
         "device(" +
         n + ") Update In Progress...\nFileName:" + path + "\n{guard on}{TA_UpdateISP(" +
         std::to_string(position) + "," + path + ",0)}{guard off}Device(" + n +
         "):\n\tUpdata FW => SUCCESS\n";
}
