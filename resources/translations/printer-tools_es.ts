<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>Sin permiso: instale la regla udev</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>En uso por otra aplicación</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>No responde</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>No disponible</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Activado</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Desactivado</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>Alerta</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>Esta herramienta de actualización es para la impresora ZEV QXA. Actualizará el firmware de la impresora a la versión %1.

Una vez actualizada, la impresora QXA REQUERIRÁ el uso de consumibles QXAHS. Agote todos los consumibles QXA antes de usar esta herramienta de actualización. Este proceso no se puede deshacer.</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>Esta herramienta actualizará el firmware de la impresora a la versión %1. Este proceso no se puede deshacer.</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- Advertencia --

¿Está seguro de que desea actualizar el firmware?</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>La impresora puede sufrir daños permanentes si se desconecta o se queda sin alimentación durante la actualización.</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>Acepto</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>Atención:</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continuar</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>La impresora seleccionada no está disponible. (Ocupada)</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>¡Apague y vuelva a encender ahora la impresora seleccionada para completar el proceso!</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>No se pudieron eliminar las colas de impresión antiguas</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>El sistema de impresión verá la impresora como un dispositivo nuevo. No se pudieron eliminar estas colas de impresión de la impresora:

%1

Elimínelas en la configuración de impresoras o pida a su administrador que las elimine.</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>Comprobando el firmware ...</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>Se encontró inesperadamente una impresora en modo de actualización de firmware. ¿Desea actualizar el firmware? </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorar</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Actualizar firmware</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>Apague y vuelva a encender esta impresora</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>Si al apagar y volver a encender la impresora no se resuelve el problema, póngase en contacto con el servicio de atención al cliente.</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>Otro programa la está actualizando</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>Firmware actualizado a la versión %1</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>Firmware actualizado de la versión %1 a la %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>desconocida</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>Versión actual del firmware: %1</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>Versión anterior del firmware: %1; versión actual: %2</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>¡Se produjo un problema durante la actualización del firmware!</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>No es necesario actualizar el firmware</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>Esta impresora tiene instalada la versión %1 del firmware.</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>Impresora no preparada</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>Corrija el siguiente problema: %1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>Proseguir</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>Impresora ocupada</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>Otra aplicación está usando la impresora. Prosiga cuando la impresora vuelva a estar disponible.</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>Actualizar firmware a %1</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>Actualizando el firmware ...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>Escribiendo el firmware ...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>No se pudo enviar el firmware a la impresora</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>La impresora permanece en modo de actualización de firmware hasta que recibe el firmware. Compruebe el cable USB y elija «Actualizar firmware…» para enviarlo de nuevo. Una impresora que se desconectó vuelve a recibir el firmware cuando se conecta de nuevo.</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>Hay un problema con los archivos del firmware.</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>No se pudo abrir la conexión con la impresora.</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>No se pudieron escribir las tablas de color</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>La impresora ya tiene el firmware nuevo. Desconéctela y vuelva a conectarla para escribir las tablas de color.</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>Actualizando las tablas de color ...</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>La impresora dejó de aceptarlas.</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>¡La actualización del firmware se realizó correctamente!</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Finalizar</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- Archivos dañados --

Hay un problema con los archivos del firmware.</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>Póngase en contacto con el servicio de atención al cliente.</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>¡Hay un problema con el archivo del firmware!</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>Es posible que esta aplicación esté dañada. Descargue una copia nueva.</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>Otro programa tiene bloqueado el historial de actualizaciones %1. Las actualizaciones se registrarán en cuanto vuelva a estar libre.</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>No se puede usar el historial de actualizaciones %1: %2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>No se pudo leer el historial de actualizaciones %1 (%2). Se guardó aparte como %3 y se creó uno nuevo.</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>No se guarda ningún historial de actualizaciones.</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>No se ha registrado ninguna actualización.</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>Tablas de color:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>Historial de actualizaciones</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>No se pudo leer el registro de las actualizaciones de firmware en curso</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>Se guardó aparte como %1.</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>Una actualización que quedó interrumpida la última vez que se cerró este programa no puede continuar por sí sola. Una impresora encontrada en modo de actualización de firmware todavía puede actualizarse desde aquí.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>de la versión %1 a la %2</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>otro programa la está actualizando</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>Esta herramienta actualizará el firmware de estas impresoras a las versiones %1. Este proceso no se puede deshacer.</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>salió del bus USB</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>no necesita actualización (firmware %1 instalado)</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>los archivos del firmware están dañados</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>ocupada: otra aplicación la está usando</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>no responde</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>no preparada: %1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>su actualización ya está en curso</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>Se actualizarán estas impresoras:</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>No se actualizarán estas impresoras:</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>Actualizar %1 impresoras</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>Impresoras actualizadas: %1 de %2</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>actualización cancelada</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>Actualizadas:</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>Con errores:</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>No actualizadas:</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Actualizando</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>La impresora no volvió a aparecer</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>La impresora salió del bus USB para reiniciarse durante la actualización del firmware y no ha vuelto a aparecer en %1 minutos. Compruebe que está encendida y que su cable USB está conectado. En cuanto vuelva a aparecer, la actualización continuará por sí sola; si no es así, apague y vuelva a encender la impresora.</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>Error de la impresora</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>La impresora no responde correctamente. Apáguela, vuelva a encenderla e inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>Modo de actualización de firmware</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>Estado desconocido</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Preparada</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>Imprimiendo</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>Enfriamiento del cabezal</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>Enfriamiento del motor</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>En reposo (modo de espera)</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>Tapa abierta</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>Falta la caja de recortes</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>Sin papel</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>Sin cinta</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>Atasco de papel</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>Error de cinta</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>Papel incorrecto</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>Datos incorrectos</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>Error de voltaje del cabezal</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>Error de posición del cabezal</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>Error de la fuente de alimentación</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>Error del cortador</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>Error del rodillo de presión</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>Temperatura del cabezal demasiado alta</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>Error de temperatura del soporte</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>Error de temperatura del motor</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>Error de tensión de la cinta</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>Error del módulo RFID</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>Error del sistema</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB disponible</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB abierto</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>Esperando USB</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB ocupado</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1 en el puerto %2</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Correcta</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fallida</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Cancelada</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>No necesaria</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Impresora perdida</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Interrumpida</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>En curso</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Solicitud</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>Reinicio en modo de actualización</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Transferencia</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>Programación y reinicio</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>Tablas de color</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Inicio</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Impresora</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>Clave del dispositivo</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>Tablas de color</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Resultado</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>Historial de actualizaciones</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportar…</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Recargar</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Exportar historial</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Guardado en %1</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>No se pudo guardar el historial en «%1».</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>No se pudo usar el historial de actualizaciones tal como estaba</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>Estado USB</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>Estado de la impresora</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>Firmware incluido</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>Contador total</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Número de serie</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>Número de serie USB</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>Tablas de color (versión / suma de comprobación)</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>Tabla de color %1: versión %2, suma de comprobación %3</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Impresoras</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Impresora</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>Actualizar firmware…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>Actualizar el firmware y las tablas de color de la impresora seleccionada</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>Actualizar todas las impresoras…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>Actualizar a la vez el firmware y las tablas de color de todas las impresoras de la lista</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>Volver a leer la información de la impresora seleccionada</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>Historial…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>Mostrar las actualizaciones de firmware realizadas en este equipo y exportarlas para el servicio de atención al cliente</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>Hay %1 actualizaciones en curso…</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>Hay una actualización en curso…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>Si sale ahora, la actualización se detendrá en el punto en que está. Una impresora que aún espera su firmware permanece en modo de actualización de firmware y no puede imprimir hasta que se le vuelva a enviar el firmware; una impresora que ya tiene su firmware nuevo conserva sus tablas de color antiguas.

Mantenga este programa abierto hasta que indique el resultado.</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>No salir</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Salir de todos modos</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>Ninguna impresora simulada</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>&amp;Simulación</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>Conectar o desconectar impresoras simuladas, o provocar fallos en una</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>Otros modelos (este programa los ignora)</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>Impresora %1</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>En modo de actualización de firmware</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>Apagar y encender</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>Error «Sin papel»</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>Ocupada por otro programa</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1: archivo S-record no válido</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1: archivo S-record válido (cabecera «%2»)</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1: archivo S-record válido</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>El paquete de firmware está intacto.</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>El paquete de firmware está dañado: reinstale el programa.</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>No se encontró ninguna impresora.</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>No se recibió respuesta de la impresora durante %1 minutos. Compruebe la impresora y su cable y vuelva a ejecutar la actualización.</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>La impresora desapareció</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>La impresora salió del bus USB antes de que llegara su turno.</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>La impresora no se actualizó</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1: %2, firmware %3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1: la impresora salió del bus USB (reiniciando)</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1: la impresora ha vuelto</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>Otro printer-flasher en ejecución está actualizando esta impresora. Espere a que termine y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>Sin opción de número de serie USB</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>Esta impresora no puede activar ni desactivar la transmisión de su número de serie USB.</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>No hay nada que cambiar</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>La transmisión del número de serie USB ya está en estado «%1».</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>¿Activar la transmisión del número de serie USB?</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>¿Desactivar la transmisión del número de serie USB?</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>Después de apagarla y volver a encenderla, el sistema de impresión verá la impresora como un dispositivo nuevo; se eliminan las colas de impresión de su modelo.</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>Activar</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>Desactivar</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>Transmisión del número de serie USB cambiada</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>Apague y vuelva a encender la impresora para completar el cambio.</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>No se cambió el ajuste</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>La impresora no aceptó el cambio de ajuste.</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>Ejecute esto en un terminal para responder, o indique --yes para aceptar la advertencia y la confirmación.</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>No se pudo hacer la pregunta: no hay ningún terminal en el que responderla.</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>El operador respondió «%1».</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1; progreso de la actualización: %2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>Las impresoras compatibles conectadas al bus USB, una por fila. Cada fila indica la impresora, su estado, su firmware y el progreso de su actualización.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progreso de la actualización</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1: no se puede hacer esta pregunta: no hay ningún terminal en el que responderla.</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>(no disponible)</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>Elija 1-%1 [1]:</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1: sin respuesta (fin de la entrada).</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>Elija una de las respuestas disponibles.</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>Captura:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>La captura y esta ejecución no coinciden</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>Error interno L%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>Error de comunicación</translation>
    </message>
</context>
</TS>
