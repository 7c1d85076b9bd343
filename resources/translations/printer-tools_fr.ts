<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>Aucune autorisation&#xa0;: installez la règle udev</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>Utilisée par une autre application</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>Ne répond pas</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>Non disponible</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Activé</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Désactivé</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>Alerte</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>Cet outil de mise à jour est destiné à l&apos;imprimante ZEV QXA. Il met à jour le firmware de l&apos;imprimante vers la version %1.

Une fois mise à jour, l&apos;imprimante QXA EXIGERA des consommables QXAHS. Veuillez épuiser tous vos consommables QXA avant d&apos;utiliser cet outil de mise à jour. Cette opération est irréversible.</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>Cet outil de mise à jour va mettre à jour le firmware de l&apos;imprimante vers la version %1. Cette opération est irréversible.</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- Avertissement --

Voulez-vous vraiment mettre à jour le firmware&#xa0;?</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>L&apos;imprimante peut être définitivement endommagée si elle est débranchée ou si son alimentation est coupée pendant la mise à jour.</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>J&apos;accepte</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>Attention&#xa0;:</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continuer</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>L&apos;imprimante sélectionnée n&apos;est pas disponible. (Occupée)</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>Veuillez éteindre puis rallumer maintenant l&apos;imprimante sélectionnée pour terminer l&apos;opération&#xa0;!</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>Les anciennes files d&apos;attente d&apos;impression n&apos;ont pas pu être supprimées</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>Le système d&apos;impression verra l&apos;imprimante comme un nouveau périphérique. Ces files d&apos;attente d&apos;impression de l&apos;imprimante n&apos;ont pas pu être supprimées&#xa0;:

%1

Supprimez-les dans les paramètres des imprimantes ou demandez à votre administrateur de les supprimer.</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>Vérification du firmware ...</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>Une imprimante a été détectée de façon inattendue en mode de mise à jour du firmware. Voulez-vous mettre à jour le firmware&#xa0;? </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorer</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Mettre à jour le firmware</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>Veuillez éteindre puis rallumer cette imprimante</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>Si le fait d&apos;éteindre puis de rallumer l&apos;imprimante ne résout pas le problème, contactez le service client.</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>Mise à jour en cours par un autre programme</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>Firmware mis à jour vers la version %1</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>Firmware mis à jour de la version %1 à la version %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>Version actuelle du firmware&#xa0;: %1</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>Version précédente du firmware&#xa0;: %1, version actuelle&#xa0;: %2</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>Un problème est survenu lors de la mise à jour du firmware&#xa0;!</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>Mise à jour du firmware inutile</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>La version %1 du firmware est installée sur cette imprimante.</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>Imprimante non prête</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>Veuillez corriger le problème suivant&#xa0;: %1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>Poursuivre</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>Imprimante occupée</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>Une autre application utilise l&apos;imprimante. Veuillez poursuivre lorsque l&apos;imprimante sera de nouveau disponible.</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>Mettre à jour le firmware vers %1</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>Mise à jour du firmware ...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>Écriture du firmware ...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>Le firmware n&apos;a pas pu être envoyé à l&apos;imprimante</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>L&apos;imprimante reste en mode de mise à jour du firmware jusqu&apos;à ce qu&apos;elle reçoive le firmware. Vérifiez le câble USB et choisissez «&#xa0;Mettre à jour le firmware…&#xa0;» pour le renvoyer. Une imprimante qui a été débranchée reçoit de nouveau le firmware lorsqu&apos;elle est rebranchée.</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>Un problème a été détecté dans les fichiers du firmware.</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>La connexion à l&apos;imprimante n&apos;a pas pu être ouverte.</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>Les tables de couleurs n&apos;ont pas pu être écrites</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>L&apos;imprimante dispose de son nouveau firmware. Débranchez-la puis rebranchez-la pour écrire les tables de couleurs.</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>Mise à jour des tables de couleurs ...</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>L&apos;imprimante a cessé de les accepter.</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>La mise à jour du firmware a réussi&#xa0;!</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Terminer</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- Fichiers endommagés --

Un problème a été détecté dans les fichiers du firmware.</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>Contactez le service client.</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>Un problème a été détecté dans le fichier du firmware&#xa0;!</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>Cette application est peut-être endommagée. Veuillez en télécharger une nouvelle copie.</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>L&apos;historique des mises à jour %1 est verrouillé par un autre programme. Les mises à jour y seront enregistrées dès qu&apos;il sera de nouveau libre.</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>L&apos;historique des mises à jour %1 ne peut pas être utilisé&#xa0;: %2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>L&apos;historique des mises à jour %1 n&apos;a pas pu être lu (%2). Il a été mis de côté sous le nom %3 et un nouvel historique a été créé.</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>Aucun historique des mises à jour n&apos;est conservé.</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>Aucune mise à jour n&apos;a été enregistrée.</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware&#xa0;:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>Tables de couleurs&#xa0;:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>Historique des mises à jour</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>Le registre des mises à jour du firmware en cours n&apos;a pas pu être lu</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>Il a été mis de côté sous le nom %1.</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>Une mise à jour interrompue lors de la dernière fermeture de ce programme ne peut pas reprendre d&apos;elle-même. Une imprimante détectée en mode de mise à jour du firmware peut toujours être mise à jour depuis ce programme.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>de la version %1 à la version %2</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>mise à jour en cours par un autre programme</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>Cet outil de mise à jour va mettre à jour le firmware de ces imprimantes vers les versions %1. Cette opération est irréversible.</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>elle a quitté le bus USB</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>aucune mise à jour nécessaire (firmware %1 installé)</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>les fichiers du firmware sont endommagés</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>occupée&#xa0;: une autre application l&apos;utilise</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>ne répond pas</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>non prête&#xa0;: %1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>sa mise à jour est déjà en cours</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>Ces imprimantes seront mises à jour&#xa0;:</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>Ces imprimantes ne seront pas mises à jour&#xa0;:</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>Mettre à jour %1 imprimantes</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>Imprimantes mises à jour&#xa0;: %1 sur %2</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>mise à jour annulée</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>Mises à jour réussies&#xa0;:</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>Échecs&#xa0;:</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>Sans mise à jour&#xa0;:</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Mise à jour en cours</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>L&apos;imprimante n&apos;est pas réapparue</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>L&apos;imprimante a quitté le bus USB pour redémarrer pendant la mise à jour de son firmware et n&apos;est pas réapparue dans un délai de %1 minutes. Vérifiez qu&apos;elle est allumée et que son câble USB est branché. Dès qu&apos;elle réapparaîtra, la mise à jour reprendra d&apos;elle-même&#xa0;; sinon, éteignez puis rallumez l&apos;imprimante.</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>Erreur d&apos;imprimante</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>L&apos;imprimante ne répond pas correctement. Veuillez éteindre puis rallumer l&apos;imprimante et réessayer.</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>Mode de mise à jour du firmware</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>État inconnu</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Prête</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>Impression en cours</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>Refroidissement de la tête</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>Refroidissement du moteur</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>En veille (mode économie d&apos;énergie)</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>Capot ouvert</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>Bac à déchets absent</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>Fin de papier</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>Fin de ruban</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>Bourrage papier</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>Erreur de ruban</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>Papier incorrect</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>Données incorrectes</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>Erreur de tension de la tête</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>Erreur de position de la tête</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>Erreur d&apos;alimentation électrique</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>Erreur du coupe-papier</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>Erreur du rouleau presseur</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>Température de la tête trop élevée</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>Erreur de température du support</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>Erreur de température du moteur</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>Erreur de tension du ruban</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>Erreur du module RFID</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>Erreur système</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB disponible</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB ouvert</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>En attente de l&apos;USB</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB occupé</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1 sur le port %2</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Réussie</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échec</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Annulée</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>Non nécessaire</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Imprimante perdue</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Interrompue</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>En cours</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Demande</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>Redémarrage en mode de mise à jour</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Transfert</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>Programmation et redémarrage</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>Tables de couleurs</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Imprimante</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>Clé du périphérique</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>Tables de couleurs</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>Historique des mises à jour</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exporter…</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualiser</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Exporter l&apos;historique</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Enregistré dans %1</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>L&apos;historique n&apos;a pas pu être enregistré dans «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>L&apos;historique des mises à jour n&apos;a pas pu être utilisé tel quel</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>État USB</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>État de l&apos;imprimante</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>Firmware fourni</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>Compteur total</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Numéro de série</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>Numéro de série USB</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>Tables de couleurs (version / somme de contrôle)</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>Table de couleurs %1&#xa0;: version %2, somme de contrôle %3</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Imprimantes</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Imprimante</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>Mettre à jour le firmware…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>Mettre à jour le firmware et les tables de couleurs de l&apos;imprimante sélectionnée</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>Mettre à jour toutes les imprimantes…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>Mettre à jour simultanément le firmware et les tables de couleurs de toutes les imprimantes de la liste</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>Relire les informations de l&apos;imprimante sélectionnée</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>Historique…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>Afficher les mises à jour du firmware effectuées sur cet ordinateur et les exporter pour le service client</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>%1 mises à jour sont en cours…</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>Une mise à jour est en cours…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>Si vous quittez maintenant, la mise à jour s&apos;arrête là où elle en est. Une imprimante qui attend encore son firmware reste en mode de mise à jour du firmware et ne peut pas imprimer tant que le firmware ne lui a pas été renvoyé&#xa0;; une imprimante qui a déjà son nouveau firmware conserve ses anciennes tables de couleurs.

Laissez ce programme ouvert jusqu&apos;à ce qu&apos;il indique le résultat.</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>Ne pas quitter</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Quitter quand même</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>Aucune imprimante simulée</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>&amp;Simulation</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>Brancher ou débrancher des imprimantes simulées, ou provoquer une anomalie</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>Brancher</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>Autres modèles (ignorés par ce programme)</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>Imprimante %1</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>En mode de mise à jour du firmware</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>Débrancher</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>Éteindre et rallumer</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>Erreur «&#xa0;Fin de papier&#xa0;»</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>Occupée par un autre programme</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1&#xa0;: fichier S-record non valide</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1&#xa0;: fichier S-record valide (en-tête «&#xa0;%2&#xa0;»)</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1&#xa0;: fichier S-record valide</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>Le paquet de firmware est intact.</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>Le paquet de firmware est endommagé&#xa0;: réinstallez le programme.</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>Aucune imprimante trouvée.</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>L&apos;imprimante n&apos;a donné aucun signe de vie pendant %1 minutes. Vérifiez-la ainsi que son câble, puis relancez la mise à jour.</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>L&apos;imprimante a disparu</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>L&apos;imprimante a quitté le bus USB avant son tour.</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>L&apos;imprimante n&apos;a pas été mise à jour</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1&#xa0;: %2, firmware %3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1&#xa0;: l&apos;imprimante a quitté le bus USB (redémarrage)</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1&#xa0;: l&apos;imprimante est de retour</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>Un autre printer-flasher en cours d&apos;exécution met à jour cette imprimante. Attendez qu&apos;il ait terminé, puis réessayez.</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>Numéro de série USB non réglable</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>Cette imprimante ne permet pas d&apos;activer ou de désactiver la transmission de son numéro de série USB.</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>Rien à modifier</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>La transmission du numéro de série USB est déjà à l&apos;état «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>Activer la transmission du numéro de série USB&#xa0;?</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>Désactiver la transmission du numéro de série USB&#xa0;?</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>Une fois éteinte puis rallumée, l&apos;imprimante apparaîtra au système d&apos;impression comme un nouveau périphérique&#xa0;; les files d&apos;attente d&apos;impression de son modèle sont supprimées.</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>Activer</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>Désactiver</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>Transmission du numéro de série USB modifiée</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>Éteignez puis rallumez l&apos;imprimante pour terminer la modification.</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>Le réglage n&apos;a pas été modifié</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>L&apos;imprimante n&apos;a pas accepté le changement de réglage.</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>Exécutez cette commande dans un terminal pour y répondre, ou ajoutez --yes pour accepter l&apos;avertissement et la confirmation.</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>La question n&apos;a pas pu être posée&#xa0;: aucun terminal ne permet d&apos;y répondre.</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>L&apos;opérateur a répondu «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1 ; progression de la mise à jour : %2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>Les imprimantes prises en charge sur le bus USB, une par ligne. Chaque ligne indique l&apos;imprimante, son état, son firmware et la progression de sa mise à jour.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progression de la mise à jour</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1 : impossible de poser cette question : aucun terminal ne permet d&apos;y répondre.</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>(indisponible)</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>Choisissez 1-%1 [1] :</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1 : pas de réponse (fin de l&apos;entrée).</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>Veuillez choisir l&apos;une des réponses disponibles.</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>Capture&#xa0;:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>La capture et cette exécution divergent</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>Erreur interne L%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>Erreur de communication</translation>
    </message>
</context>
</TS>
