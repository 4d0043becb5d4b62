#pragma once
// The Windows Sensor API behind SensorSource: COM in the multithreaded apartment for each
// session, the sensor manager created in-process, and the three facts per sensor.
#include "engine/SensorQuery.h"

namespace brevix::win32 {

class Win32SensorSource : public SensorSource {
 public:
  std::unique_ptr<SensorSession> OpenSession() override;
};

}  // namespace brevix::win32
