// realTime ticks only while listened to. Coin's own sensor ticks for ever; a tick that reaches
// no one is a wake-up for nothing. Field connections (engines) can be counted; a sensor
// attached to the field can't, but a tick schedules it, which the delay queue shows.
#include "real_time_gate.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoDB.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/sensors/SoSensorManager.h>
#include <Inventor/sensors/SoTimerSensor.h>

namespace sowin_standin
{

namespace
{

SoSFTime *real_time_field(void)
{
    SoField *field = SoDB::getGlobalField("realTime");
    return field && field->isOfType(SoSFTime::getClassTypeId()) ? static_cast<SoSFTime *>(field)
                                                                : nullptr;
}

// Sets realTime to now, as Coin's sensor does; true when something may depend on it. A
// delay sensor already pending hides whether the tick scheduled one: count that as a yes.
bool tick_reaches_listener(SoSFTime &real_time)
{
    SoFieldList slaves;
    bool connected = real_time.getForwardConnections(slaves) > 0;
    SoSensorManager *sensors = SoDB::getSensorManager();
    bool pending_before = sensors->isDelaySensorPending();
    real_time.setValue(SbTime::getTimeOfDay());
    return connected || pending_before || sensors->isDelaySensorPending();
}

void ticked(void *, SoSensor *sensor)
{
    SoSFTime *real_time = real_time_field();
    if (!real_time || !tick_reaches_listener(*real_time))
        static_cast<SoTimerSensor *>(sensor)->unschedule();
}

SoTimerSensor &ticker(void)
{
    static SoTimerSensor *sensor = [] {
        SoDB::enableRealTimeSensor(FALSE);
        return new SoTimerSensor(ticked, nullptr); // lives as long as Coin's own did
    }();
    return *sensor;
}

} // namespace

void update_real_time_after_redraw(void)
{
    SoTimerSensor &sensor = ticker();
    if (sensor.isScheduled())
        return;
    SoSFTime *real_time = real_time_field();
    if (!real_time || !tick_reaches_listener(*real_time))
        return;
    sensor.setInterval(SoDB::getRealTimeInterval());
    sensor.schedule();
}

} // namespace sowin_standin
